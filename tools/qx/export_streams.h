#pragma once
#include <string>

namespace qx {

// `qx export MOVIE --y4m FILE|-` and `--wav FILE|-`: the pictures as one YUV4MPEG2 stream and
// the sound as one WAV, to files or standard output, for encoders that read a pipe.
struct StreamExportRequest {
    std::string movie;
    std::string y4m;  // empty: none; "-": standard output
    std::string wav;
    bool chroma_444 = false;
};

// Whether `qx export` was asked for streams rather than a folder: --y4m (already in
// `request`), or --wav alone with "-" or a .wav file where the folder would stand, which then
// goes into `request`. Throws a usage error where streams are mixed with pictures, a folder or
// a range, which only a folder export takes.
bool stream_export_asked(const std::string& out_dir, bool wav, bool pictures, bool ranged,
                         StreamExportRequest& request);
int run_stream_export(const StreamExportRequest& request);

}  // namespace qx

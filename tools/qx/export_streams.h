#pragma once
#include <string>

// `qx export MOVIE --y4m FILE|-` and `--wav FILE|-`: the pictures as one YUV4MPEG2 stream and
// the sound as one WAV, to files or standard output, for encoders that read a pipe.
struct StreamExportRequest {
    std::string movie;
    std::string y4m;  // empty: none; "-": standard output
    std::string wav;
    bool chroma_444 = false;
};

// Whether `qx export` was asked for streams rather than a folder: --y4m, or --wav alone with
// "-" or a .wav file where the folder would stand.
bool wants_stream_export(const std::string& out_dir, bool wav, bool pictures, bool has_y4m);
int run_stream_export(const StreamExportRequest& request);

#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tools/qx/export_range.h"

namespace qx {

// One kind of output of `qx export`. Every sink reads the one open movie through the public
// interface, the pictures and the sound each at their own position.
class ExportSink {
  public:
    virtual ~ExportSink() = default;
    // Writes the output; false, with one line in `error`, stops the export.
    virtual bool write(qx_movie* movie, const qx_info& info, std::string& error) = 0;
    // Frames that could not be exported (each already named on stderr).
    virtual int skipped() const = 0;
    // What was written, for the line after the export ("240 PNG pictures"), one item each.
    virtual std::vector<std::string> summary() const = 0;
};

struct PictureExportOptions {
    bool raw = false;
    bool png = false;
    std::string display = "rgb565";  // rgb565, rgb555, rgb888 or pal8
    bool double_width = false;
    int brightness = 100;
};

// OUTDIR/audio.wav: the sound blocks of the range in order, 16-bit, mono for a mono movie, at
// the rate the player plays it.
std::unique_ptr<ExportSink> make_wav_sink(const std::string& out_dir, const ExportRange& range);
// OUTDIR/frame_NNNNN.raw with frames.json, and/or OUTDIR/frame_NNNNN.png, for the frames of
// the range, numbered as in the whole movie. The movie is open in the display's pixels.
std::unique_ptr<ExportSink> make_picture_sink(const std::string& out_dir,
                                              const PictureExportOptions& options,
                                              const ExportRange& range);
// The interface's pixels of a display format named on the command line.
qx_pixels display_pixels_named(const std::string& name);

}  // namespace qx

#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tools/qx/export_range.h"
#include "tools/qx/movie_scan.h"

// One kind of output of `qx export`. The export reads the movie once with the player's reader
// and hands every chunk to each sink in file order.
class ExportSink {
  public:
    virtual ~ExportSink() = default;
    // Before the first chunk; may set up the scan's PlayParams. False stops the export.
    virtual bool begin(MovieScan& scan, std::string& error) = 0;
    virtual void chunk(const ScannedChunk& chunk, MovieScan& scan) = 0;
    // True once no later chunk can add to the output, so that reading may stop.
    virtual bool done() const = 0;
    // After the last chunk; false when the output could not be completed.
    virtual bool finish(MovieScan& scan, std::string& error) = 0;
    // Frames or chunks that could not be exported (each already named on stderr).
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

// OUTDIR/audio.wav: the decoded audio blocks of the range in order, 16-bit, mono for a mono
// movie, at the rate the player plays it.
std::unique_ptr<ExportSink> make_wav_sink(const std::string& out_dir, const ExportRange& range);
// OUTDIR/frame_NNNNN.raw with frames.json, and/or OUTDIR/frame_NNNNN.png, for the frames of
// the range, numbered as in the whole movie.
std::unique_ptr<ExportSink> make_picture_sink(const std::string& out_dir,
                                              const PictureExportOptions& options,
                                              const ExportRange& range);

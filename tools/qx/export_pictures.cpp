#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/qx/export_file.h"
#include "tools/qx/export_sinks.h"
#include "tools/qx/number_text.h"
#include "tools/qx/picture_png.h"
#include "tools/qx/picture_rgb.h"
#include "tools/qx/progress.h"

namespace qx {

namespace {

struct FrameRecord {
    int64_t index;
    int32_t kind;
    int32_t width;
    int32_t height;
    size_t bytes;
};

// The layout of the pictures the public interface gives in `pixels`.
PixelLayout pixel_layout_of(qx_pixels pixels) {
    switch (pixels) {
        case QX_PIXELS_RGB555:
            return pixel_layout_of_masks(0x7C00, 0x03E0, 0x001F, 16);
        case QX_PIXELS_RGB888:
            return pixel_layout_of_masks(0xFF0000, 0xFF00, 0xFF, 32);
        case QX_PIXELS_PAL8:
            return pixel_layout_of_masks(0, 0, 0, 8);
        default:
            return pixel_layout_of_masks(0xF800, 0x07E0, 0x001F, 16);
    }
}

std::string frame_path(const std::string& out_dir, int64_t index, const char* extension) {
    char name[40];
    std::snprintf(name, sizeof name, "/frame_%05lld.%s", static_cast<long long>(index), extension);
    return out_dir + name;
}

std::string frames_json(const std::vector<FrameRecord>& frames) {
    std::string json = "[";
    for (size_t i = 0; i < frames.size(); ++i) {
        const FrameRecord& frame = frames[i];
        char line[160];
        std::snprintf(line, sizeof line,
                      "%s\n  {\"index\": %lld, \"kind\": %d, \"width\": %d, \"height\": %d, "
                      "\"bytes\": %zu}",
                      i == 0 ? "" : ",", static_cast<long long>(frame.index), frame.kind,
                      frame.width, frame.height, frame.bytes);
        json += line;
    }
    json += frames.empty() ? "]\n" : "\n]\n";
    return json;
}

// Decodes every frame up to the end of the range, as the player would, and writes the pictures
// of the range as the display of the chosen format receives them.
class PictureSink : public ExportSink {
  public:
    PictureSink(std::string out_dir, const PictureExportOptions& options, const ExportRange& range)
        : out_dir_(std::move(out_dir)),
          options_(options),
          pixels_(display_pixels_named(options.display)),
          range_(range) {}

    bool write(qx_movie* movie, const qx_info& info, std::string& error) override {
        const int64_t end = std::min<int64_t>(range_.end, info.frames);
        ProgressBar progress("exporting pictures", end);
        qx_frame frame{};
        // Frames before the range are decoded all the same: later ones may be drawn over them.
        for (int64_t index = 0; index < end && error_.empty(); ++index) {
            const int result = qx_next_frame(movie, &frame);
            if (result != 1) {
                if (result < 0) {
                    error_ = qx_error_text(result);
                }
                break;
            }
            progress.update(index);
            if (!range_.includes_frame(static_cast<int32_t>(index))) {
                continue;
            }
            qx_frame_entry entry{};
            qx_get_frame_entry(movie, index, &entry);
            if (frame.dropped != 0 || frame.pixels == nullptr) {
                report(index, entry.offset, "cannot be decoded");
            } else {
                write_frame(frame, entry);
            }
        }
        progress.finish();
        if (error_.empty() && options_.raw) {
            const std::string json = frames_json(frames_);
            write_export_file(out_dir_ + "/frames.json",
                              reinterpret_cast<const uint8_t*>(json.data()), json.size(), error_);
        }
        error = error_;
        return error_.empty();
    }

    int skipped() const override { return skipped_; }

    std::vector<std::string> summary() const override {
        std::vector<std::string> items;
        if (options_.png && pngs_written_ > 0) {
            items.push_back(grouped(pngs_written_) + " PNG picture" +
                            (pngs_written_ == 1 ? "" : "s"));
        }
        if (options_.raw && !frames_.empty()) {
            items.push_back(grouped(static_cast<int64_t>(frames_.size())) + " raw frame" +
                            (frames_.size() == 1 ? "" : "s") + " with frames.json");
        }
        return items;
    }

  private:
    void report(int64_t index, int64_t offset, const char* what) {
        std::fprintf(stderr, "qx export: frame %lld at offset %lld: %s\n",
                     static_cast<long long>(index), static_cast<long long>(offset), what);
        ++skipped_;
    }

    void write_frame(const qx_frame& frame, const qx_frame_entry& entry) {
        if (options_.raw) {
            write_export_file(frame_path(out_dir_, frame.index, "raw"), frame.pixels, frame.bytes,
                              error_);
            // The frame's own size: a doubled row still holds the coded pixels.
            const int32_t coded_width = options_.double_width ? frame.width / 2 : frame.width;
            frames_.push_back({frame.index, entry.kind, coded_width, frame.height, frame.bytes});
        }
        if (!options_.png) {
            return;
        }
        // Two-byte DCT pixels are no palette indices: no frame of this codec can be a picture,
        // which is said once rather than for every frame.
        if (pixels_ == QX_PIXELS_PAL8 && frame.codec != QX_VIDEO_RKD) {
            error_ = std::string(frame.codec == QX_VIDEO_MNB ? "Mnb" : "Zle") +
                     " frames cannot be drawn on a palettised display; use --display rgb565 or "
                     "rgb555";
            return;
        }
        RgbImage picture;
        if (!display_pixels_to_rgb(pixel_layout_of(pixels_), frame.palette, frame.pixels,
                                   static_cast<uint32_t>(frame.stride), frame.height, picture)) {
            report(frame.index, entry.offset, "has no picture in this display format");
            return;
        }
        if (write_png(frame_path(out_dir_, frame.index, "png"), picture, error_)) {
            ++pngs_written_;
        }
    }

    std::string out_dir_;
    PictureExportOptions options_;
    qx_pixels pixels_;
    ExportRange range_;
    std::vector<FrameRecord> frames_;
    int64_t pngs_written_ = 0;
    int skipped_ = 0;
    std::string error_;
};

}  // namespace

qx_pixels display_pixels_named(const std::string& name) {
    return name == "rgb555"   ? QX_PIXELS_RGB555
           : name == "rgb888" ? QX_PIXELS_RGB888
           : name == "pal8"   ? QX_PIXELS_PAL8
                              : QX_PIXELS_RGB565;
}

std::unique_ptr<ExportSink> make_picture_sink(const std::string& out_dir,
                                              const PictureExportOptions& options,
                                              const ExportRange& range) {
    return std::make_unique<PictureSink>(out_dir, options, range);
}

}  // namespace qx

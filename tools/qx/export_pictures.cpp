#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "player/reader.h"
#include "tools/qx/export_buffer.h"
#include "tools/qx/export_file.h"
#include "tools/qx/export_sinks.h"
#include "tools/qx/number_text.h"
#include "tools/qx/picture_png.h"
#include "tools/qx/picture_rgb.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace {

struct FrameRecord {
    int32_t index;
    int32_t kind;
    int32_t width;
    int32_t height;
    uint32_t bytes;
};

bool display_format_named(const std::string& name, PixelFormat& format) {
    format = PixelFormat{};
    format.flags = PIXEL_FORMAT_RGB;
    if (name == "rgb565") {
        format.rgb_bit_count = 16;
        format.red_mask = 0xF800;
        format.green_mask = 0x07E0;
        format.blue_mask = 0x001F;
    } else if (name == "rgb555") {
        format.rgb_bit_count = 16;
        format.red_mask = 0x7C00;
        format.green_mask = 0x03E0;
        format.blue_mask = 0x001F;
    } else if (name == "rgb888") {
        format.rgb_bit_count = 32;
        format.red_mask = 0xFF0000;
        format.green_mask = 0xFF00;
        format.blue_mask = 0xFF;
    } else if (name == "pal8") {
        format.flags |= PIXEL_FORMAT_PALETTE_INDEXED8;
        format.rgb_bit_count = 8;
    } else {
        return false;
    }
    return true;
}

std::string frame_path(const std::string& out_dir, int32_t index, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05d.%s", index, extension);
    return out_dir + name;
}

std::string frames_json(const std::vector<FrameRecord>& frames) {
    std::string json = "[";
    for (size_t i = 0; i < frames.size(); ++i) {
        const FrameRecord& frame = frames[i];
        char line[160];
        std::snprintf(line, sizeof line,
                      "%s\n  {\"index\": %d, \"kind\": %d, \"width\": %d, \"height\": %d, "
                      "\"bytes\": %u}",
                      i == 0 ? "" : ",", frame.index, frame.kind, frame.width, frame.height,
                      frame.bytes);
        json += line;
    }
    json += frames.empty() ? "]\n" : "\n]\n";
    return json;
}

// Decodes every video frame in application-buffer mode, as a player with its own buffers
// would, and writes what the decoder left in the draw buffer.
class PictureSink : public ExportSink {
  public:
    PictureSink(std::string out_dir, const PictureExportOptions& options, const ExportRange& range)
        : out_dir_(std::move(out_dir)), options_(options), range_(range) {}

    ~PictureSink() override {
        if (context_ != nullptr) {
            release_display(*context_);
        }
    }

    bool begin(MovieScan& scan, std::string& error) override {
        PixelFormat format{};
        if (!display_format_named(options_.display, format)) {
            error = "unknown display format " + options_.display;
            return false;
        }
        PlayParams& params = scan.params();
        params.flags |= PLAY_APP_BUFFERS | PLAY_KEEP_BRIGHTNESS;
        if (options_.double_width) {
            params.flags |= PLAY_DOUBLE_WIDTH;
        }
        set_display_pixel_format(params, format);
        params.brightness = options_.brightness;
        context_ = &scan.context();
        setup_display(*context_);
        point_buffers(params, true);
        return true;
    }

    void chunk(const ScannedChunk& chunk, MovieScan& scan) override {
        if (chunk.result != READ_VIDEO || chunk.video == nullptr || !error_.empty()) {
            return;
        }
        const int32_t index = frame_count_++;
        if (index >= range_.end) {
            return;
        }
        PlayerContext& context = scan.context();
        const VideoFrameSlot& slot = *chunk.video;
        PictureGeometry geometry{};
        if (read_frame_header(context, slot) && picture_geometry(context, slot.kind, geometry)) {
            grow_buffers(*context.params, geometry.bytes);
        }
        // Frames before the range are decoded all the same: later ones may be drawn over them.
        const bool decoded = decode_video_frame(context, slot);
        if (range_.includes_frame(index)) {
            if (decoded && picture_geometry(context, slot.kind, geometry)) {
                write_frame(context, slot.kind, index, chunk.offset, geometry);
            } else {
                report(index, chunk.offset, "cannot be decoded");
            }
        }
        swap_work_surfaces(context);
    }

    bool done() const override { return frame_count_ >= range_.end || !error_.empty(); }

    bool finish(MovieScan&, std::string& error) override {
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
    void report(int32_t index, int64_t offset, const char* what) {
        std::fprintf(stderr, "qx export: frame %d at offset %lld: %s\n", index,
                     static_cast<long long>(offset), what);
        ++skipped_;
    }

    // Both buffers grow to the largest frame so far and keep their bytes, which leaves them
    // exactly as if they had been sized for the largest frame of the file from the start. A
    // buffer that cannot grow leaves the decoder too little room, so the frame is not decoded.
    void grow_buffers(PlayParams& params, uint32_t bytes) {
        const bool first_draws = params.draw_buffer == first_.data();
        first_.grow(bytes);
        second_.grow(bytes);
        point_buffers(params, first_draws);
    }

    void point_buffers(PlayParams& params, bool first_draws) {
        const size_t bytes = std::min(first_.size(), second_.size());
        // A size of 0 would tell the decoders the buffers have no known end: give none instead.
        params.draw_buffer = bytes == 0 ? nullptr : first_draws ? first_.data() : second_.data();
        params.reference_buffer = first_draws ? second_.data() : first_.data();
        params.buffer_bytes = static_cast<uint32_t>(bytes);
    }

    void write_frame(const PlayerContext& context, int32_t kind, int32_t index, int64_t offset,
                     const PictureGeometry& geometry) {
        const PlayParams& params = *context.params;
        if (!error_.empty()) {
            return;
        }
        if (options_.raw) {
            write_export_file(frame_path(out_dir_, index, "raw"), params.draw_buffer,
                              geometry.bytes, error_);
            frames_.push_back({index, kind, context.video.frame_width, context.video.frame_height,
                               geometry.bytes});
        }
        if (!options_.png) {
            return;
        }
        // Two-byte DCT pixels are no palette indices: no frame of this codec can be a picture,
        // which is said once rather than for every frame.
        if (params.colour_bits == 8 && (kind == VIDEO_MNB || kind == VIDEO_ZLE)) {
            error_ = std::string(kind == VIDEO_MNB ? "Mnb" : "Zle") +
                     " frames cannot be drawn on a palettised display; use --display rgb565 or "
                     "rgb555";
            return;
        }
        RgbImage picture;
        if (!display_pixels_to_rgb(params, context.rkd.palette, params.draw_buffer,
                                   geometry.row_bytes, geometry.rows, picture)) {
            report(index, offset, "has no picture in this display format");
            return;
        }
        if (write_png(frame_path(out_dir_, index, "png"), picture, error_)) {
            ++pngs_written_;
        }
    }

    std::string out_dir_;
    PictureExportOptions options_;
    ExportRange range_;
    PlayerContext* context_ = nullptr;
    ExportBuffer first_;
    ExportBuffer second_;
    std::vector<FrameRecord> frames_;
    int32_t frame_count_ = 0;
    int64_t pngs_written_ = 0;
    int skipped_ = 0;
    std::string error_;
};

}  // namespace

std::unique_ptr<ExportSink> make_picture_sink(const std::string& out_dir,
                                              const PictureExportOptions& options,
                                              const ExportRange& range) {
    return std::make_unique<PictureSink>(out_dir, options, range);
}

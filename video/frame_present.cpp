#include "video/blit_clip.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

void upload_palette(VideoOutput& video) {
    for (int i = 0; i < 256; ++i) {
        video.primary_palette_entries[i] = {video.rkd.palette[3 * i], video.rkd.palette[3 * i + 1],
                                            video.rkd.palette[3 * i + 2], 0};
    }
    if (Display* display = *video.target.display; display != nullptr) {
        display->wait_for_vertical_blank(WAIT_VERTICAL_BLANK_BEGIN);
    }
    if (video.primary_palette != nullptr) {
        video.primary_palette->set_entries(0, 0, 256, video.primary_palette_entries);
    }
}

// Where the picture goes on the display, before clipping.
struct Placement {
    int64_t source_width;
    int64_t source_height;
    int64_t dest_width;
    int64_t dest_height;
    int64_t left;
    int64_t top;
};

Placement place_picture(const VideoOutput& video) {
    const DisplayTarget& target = video.target;
    const DisplayOptions& options = target.options;
    Placement at{};
    at.source_width = video.frame_width;
    at.source_height = video.frame_height;
    at.dest_width = options.use_dest_width ? *target.dest_width : video.frame_width;
    at.dest_height = options.use_dest_height ? *target.dest_height : video.frame_height;
    if (options.double_width) {
        at.source_width *= 2;
        at.dest_width *= 2;
    }
    if (options.double_rows || options.scanlines) {
        at.source_height *= 2;
        at.dest_height *= 2;
    }
    // Arithmetic shifts: an odd or negative difference rounds towards minus infinity.
    if (options.centre_x) {
        at.left = (video.display_width - at.dest_width) >> 1;
    }
    if (options.centre_y) {
        at.top = (video.display_height - at.dest_height) >> 1;
    }
    if (options.use_x_offset) {
        at.left += *target.x_offset;
    }
    if (options.use_y_offset) {
        at.top += *target.y_offset;
    }
    return at;
}

// One copy from the draw surface to the primary surface, clipped to both.
void blit(VideoOutput& video, BlitSpan columns, BlitSpan rows) {
    DisplayRect dest{};
    DisplayRect source{};
    if (clip_blit(columns, rows, video.display_width, video.display_height, video.surface_width,
                  video.surface_height, dest, source)) {
        (*video.target.primary_surface)
            ->blt(&dest, *video.target.draw_surface, &source, BLT_WAIT, nullptr);
    }
}

}  // namespace

void present_frame(VideoOutput& video) {
    const DisplayTarget& target = video.target;
    const DisplayOptions& options = target.options;
    if (options.app_buffers || video.frame_dropped || *target.primary_surface == nullptr ||
        *target.draw_surface == nullptr) {
        return;
    }
    if (*target.colour_bits == 8) {
        upload_palette(video);
    }
    const Placement at = place_picture(video);
    const BlitSpan columns{at.left, at.left + at.dest_width, 0, at.source_width};
    if (options.scanlines || options.double_rows) {
        // Row by row, each source row to one destination row, or to two with double rows.
        const int64_t copies = options.scanlines ? 1 : 2;
        for (int64_t row = 0; row < at.source_height; row += 2) {
            for (int64_t copy = 0; copy < copies; ++copy) {
                const int64_t dest_row = at.top + row + copy;
                blit(video, columns, {dest_row, dest_row + 1, row / 2, row / 2 + 1});
            }
        }
        return;
    }
    blit(video, columns, {at.top, at.top + at.dest_height, 0, at.source_height});
}

}  // namespace qx

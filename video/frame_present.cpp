#include "video/blit_clip.h"
#include "video/frame_dispatch.h"

namespace {

void upload_palette(PlayerContext& context) {
    PlayParams& params = *context.params;
    for (int i = 0; i < 256; ++i) {
        context.video.primary_palette_entries[i] = {context.rkd.palette[3 * i],
                                                    context.rkd.palette[3 * i + 1],
                                                    context.rkd.palette[3 * i + 2], 0};
    }
    if (params.display != nullptr) {
        params.display->wait_for_vertical_blank(WAIT_VERTICAL_BLANK_BEGIN);
    }
    if (context.video.primary_palette != nullptr) {
        context.video.primary_palette->set_entries(0, 0, 256,
                                                   context.video.primary_palette_entries);
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

Placement place_picture(const PlayerContext& context) {
    const PlayParams& params = *context.params;
    const uint32_t flags = params.flags;
    Placement at{};
    at.source_width = context.video.frame_width;
    at.source_height = context.video.frame_height;
    at.dest_width = flags & PLAY_DEST_WIDTH ? params.dest_width : context.video.frame_width;
    at.dest_height = flags & PLAY_DEST_HEIGHT ? params.dest_height : context.video.frame_height;
    if (flags & PLAY_DOUBLE_WIDTH) {
        at.source_width *= 2;
        at.dest_width *= 2;
    }
    if (flags & (PLAY_DOUBLE_ROWS | PLAY_SCANLINES)) {
        at.source_height *= 2;
        at.dest_height *= 2;
    }
    // Arithmetic shifts: an odd or negative difference rounds towards minus infinity.
    if (flags & PLAY_CENTRE_X) {
        at.left = (context.video.display_width - at.dest_width) >> 1;
    }
    if (flags & PLAY_CENTRE_Y) {
        at.top = (context.video.display_height - at.dest_height) >> 1;
    }
    if (flags & PLAY_X_OFFSET) {
        at.left += params.x_offset;
    }
    if (flags & PLAY_Y_OFFSET) {
        at.top += params.y_offset;
    }
    return at;
}

// One copy from the draw surface to the primary surface, clipped to both.
void blit(PlayerContext& context, BlitSpan columns, BlitSpan rows) {
    PlayParams& params = *context.params;
    DisplayRect dest{};
    DisplayRect source{};
    if (clip_blit(columns, rows, context.video.display_width, context.video.display_height,
                  context.video.surface_width, context.video.surface_height, dest, source)) {
        params.primary_surface->blt(&dest, params.draw_surface, &source, BLT_WAIT, nullptr);
    }
}

}  // namespace

void present_frame(PlayerContext& context) {
    PlayParams& params = *context.params;
    if ((params.flags & PLAY_APP_BUFFERS) || context.video.frame_dropped ||
        params.primary_surface == nullptr || params.draw_surface == nullptr) {
        return;
    }
    if (params.colour_bits == 8) {
        upload_palette(context);
    }
    const Placement at = place_picture(context);
    const BlitSpan columns{at.left, at.left + at.dest_width, 0, at.source_width};
    if (params.flags & (PLAY_SCANLINES | PLAY_DOUBLE_ROWS)) {
        // Row by row, each source row to one destination row, or to two with double rows.
        const int64_t copies = params.flags & PLAY_SCANLINES ? 1 : 2;
        for (int64_t row = 0; row < at.source_height; row += 2) {
            for (int64_t copy = 0; copy < copies; ++copy) {
                const int64_t dest_row = at.top + row + copy;
                blit(context, columns, {dest_row, dest_row + 1, row / 2, row / 2 + 1});
            }
        }
        return;
    }
    blit(context, columns, {at.top, at.top + at.dest_height, 0, at.source_height});
}

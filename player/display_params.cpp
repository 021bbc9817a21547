#include "player/display_params.h"

#include "video/display_setup.h"

namespace qx {

DisplayTarget display_target_of(PlayParams& params) {
    const uint32_t flags = params.flags;
    return {.options = {.use_x_offset = (flags & PLAY_X_OFFSET) != 0,
                        .use_y_offset = (flags & PLAY_Y_OFFSET) != 0,
                        .centre_x = (flags & PLAY_CENTRE_X) != 0,
                        .centre_y = (flags & PLAY_CENTRE_Y) != 0,
                        .double_rows = (flags & PLAY_DOUBLE_ROWS) != 0,
                        .scanlines = (flags & PLAY_SCANLINES) != 0,
                        .double_width = (flags & PLAY_DOUBLE_WIDTH) != 0,
                        .use_dest_width = (flags & PLAY_DEST_WIDTH) != 0,
                        .use_dest_height = (flags & PLAY_DEST_HEIGHT) != 0,
                        .app_buffers = (flags & PLAY_APP_BUFFERS) != 0,
                        .keep_brightness = (flags & PLAY_KEEP_BRIGHTNESS) != 0},
            .audio_only = &params.audio_only,
            .display = &params.display,
            .primary_surface = &params.primary_surface,
            .back_surface = &params.back_surface,
            .draw_surface = &params.draw_surface,
            .reference_surface = &params.reference_surface,
            .red_bits = &params.red_bits,
            .green_bits = &params.green_bits,
            .blue_bits = &params.blue_bits,
            .red_shift = &params.red_shift,
            .green_shift = &params.green_shift,
            .blue_shift = &params.blue_shift,
            .rgb_mask = &params.rgb_mask,
            .colour_bits = &params.colour_bits,
            .draw_buffer = &params.draw_buffer,
            .reference_buffer = &params.reference_buffer,
            .buffer_bytes = &params.buffer_bytes,
            .x_offset = &params.x_offset,
            .y_offset = &params.y_offset,
            .dest_width = &params.dest_width,
            .dest_height = &params.dest_height,
            .brightness = &params.brightness};
}

bool set_display_pixel_format(PlayParams& params, const PixelFormat& format) {
    return set_display_pixel_format(display_target_of(params), format);
}

}  // namespace qx

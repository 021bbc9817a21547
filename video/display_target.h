#pragma once
#include <cstdint>

#include "platform/display.h"

namespace qx {

// The options of the application's flags that concern the picture, as they were when the movie
// started.
struct DisplayOptions {
    bool use_x_offset;
    bool use_y_offset;
    bool centre_x;
    bool centre_y;
    bool double_rows;
    bool scanlines;
    bool double_width;
    bool use_dest_width;
    bool use_dest_height;
    bool app_buffers;
    bool keep_brightness;
};

// The display fields of the application's parameter record, as the video stage reaches them:
// linked once when a movie starts. The stage reads the display objects there, and stores there
// the pixel format it finds and the work surfaces it creates, where the application sees them.
// Every field but the options is read where it is used, as the application may set it late.
struct DisplayTarget {
    DisplayOptions options;
    const int32_t* audio_only;
    Display* const* display;
    DisplaySurface* const* primary_surface;
    DisplaySurface* const* back_surface;
    DisplaySurface** draw_surface;
    DisplaySurface** reference_surface;

    // The display's pixel format, as the decoders convert to it.
    int32_t* red_bits;
    int32_t* green_bits;
    int32_t* blue_bits;
    int32_t* red_shift;
    int32_t* green_shift;
    int32_t* blue_shift;
    uint32_t* rgb_mask;
    int32_t* colour_bits;

    // The application's own pictures (PLAY_APP_BUFFERS), swapped after every frame.
    uint8_t** draw_buffer;
    uint8_t** reference_buffer;
    const uint32_t* buffer_bytes;

    const int32_t* x_offset;
    const int32_t* y_offset;
    const int32_t* dest_width;
    const int32_t* dest_height;
    // Reset by the display set-up unless PLAY_KEEP_BRIGHTNESS; changed by the application
    // through an interlocked exchange.
    int32_t* brightness;
};

}  // namespace qx

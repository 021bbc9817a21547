#pragma once
#include <cstdint>

#include "platform/display.h"

// Video output's state of one movie: the frame in force, the display it is shown on, the
// packed pictures every frame is decoded into (swapped with the work surfaces), the size of the
// work surfaces created, whether the latest frame may be presented, whether the display's pixel
// format was refused, and the palettes of an 8-bit display.
struct VideoOutput {
    int32_t frame_height;
    int32_t frame_width;
    int32_t display_width;
    int32_t display_height;
    int32_t display_ready;
    int32_t zle_channel_conversion;  // 0 or 2
    int32_t zle_all_intra;           // 0 or 1
    int32_t quality;

    uint8_t* packed_draw;
    uint8_t* packed_reference;
    uint32_t packed_bytes;
    int32_t surface_width;
    int32_t surface_height;
    int32_t surface_row_bytes;
    int32_t frame_dropped;
    int32_t display_unsupported;

    DisplayPalette* primary_palette;
    DisplayPalette* back_palette;
    PaletteEntry primary_palette_entries[256];
    PaletteEntry back_palette_entries[256];
};

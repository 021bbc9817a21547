#pragma once
#include <cstdint>

#include "codecs/dct/dct_colour_tables.h"
#include "codecs/dct/dct_decoder.h"
#include "codecs/rkd/rkd_decoder.h"
#include "platform/display.h"
#include "video/display_target.h"

namespace qx {

// Video output's state of one movie: the application's display it works on, the movie's own
// decoders and the tables they convert through, the frame in force, the display's size, the
// packed pictures every frame is decoded into (swapped with the work surfaces), the size of the
// work surfaces created, whether the latest frame may be presented, whether the display's pixel
// format was refused, and the palettes of an 8-bit display.
struct VideoOutput {
    DisplayTarget target;

    // Only the decoding thread touches these once playback runs; tables_brightness is the
    // brightness the tables were built at.
    RkdDecoder rkd;
    DctDecoder dct;
    ColourTables colour_tables;
    int32_t tables_brightness;

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

}  // namespace qx

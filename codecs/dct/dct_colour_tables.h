#pragma once
#include <cstdint>

namespace qx {

// Conversion tables of the DCT codecs for one display format and brightness. The video output
// builds them; each movie has its own set.
struct ColourTables {
    uint32_t luma_table[128];
    uint32_t cb_table[128];
    uint32_t cr_table[128];
    uint32_t red_table[512];
    uint32_t green_table[512];
    uint32_t blue_table[512];
    int32_t cb_green_table[256];
    int32_t cr_green_table[256];  // entry indexes into green_table
};

// The display pixel layout and brightness the tables are built for. Colour bits of 15 or 16
// give packed pixel pairs; any other depth gives 8-8-8 bytes.
struct DctPixelFormat {
    int32_t colour_bits;
    int32_t red_bits;
    int32_t green_bits;
    int32_t blue_bits;
    int32_t red_shift;
    int32_t green_shift;
    int32_t blue_shift;
    int32_t brightness;  // percent, applied to the channel tables
    bool double_width;   // two display pixels per picture pixel
};

// 5-6-5 at full brightness: the display the DCT formats are drawn on in the tools and tests.
inline constexpr DctPixelFormat DCT_RGB565 = {16, 5, 6, 5, 11, 5, 0, 100, false};

void build_colour_tables(ColourTables& tables, const DctPixelFormat& format);

// Packs one signed colour (components in 8-bit units, possibly negative) into two 15- or 16-bit
// display pixels: rounded components in the low half, truncated ones in the high half, with the
// borrows that make three packed values add field by field.
uint32_t pack_pixel_pair(int32_t r, int32_t g, int32_t b, int32_t red_bits, int32_t green_bits,
                         int32_t blue_bits, int32_t red_shift, int32_t green_shift,
                         int32_t blue_shift);

}  // namespace qx

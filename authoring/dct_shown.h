#pragma once
#include <cstdint>

#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/dct_colour_tables.h"
#include "codecs/dct/macroblock.h"

namespace qx {

// The decoder in the loop: what a player shows for given samples or levels, worked out with
// the decoders' own transform, conversion and colour tables on the 5-6-5 display the DCT
// formats are drawn on, widened to 8 bits as the screen shows it.

enum class DctConversion { Summed, Channel };

// The 5-6-5 tables at brightness 100, built once by the player's own builder.
const ColourTables& shown_colour_tables();

// A 5-6-5 pixel as 8-bit red, green and blue, bits repeated so that full intensity is 255.
inline void widen_565(uint32_t pixel, uint8_t* rgb) {
    const uint32_t red = (pixel >> 11) & 31;
    const uint32_t green = (pixel >> 5) & 63;
    const uint32_t blue = pixel & 31;
    rgb[0] = uint8_t(red << 3 | red >> 2);
    rgb[1] = uint8_t(green << 2 | green >> 4);
    rgb[2] = uint8_t(blue << 3 | blue >> 2);
}

// The summed tables' pixel: three 7-bit indexes, fields added as the decoder adds them.
inline uint32_t summed_pixel(const ColourTables& tables, int32_t y, int32_t cb, int32_t cr) {
    return (tables.luma_table[y & 0x7F] + tables.cb_table[cb & 0x7F] + tables.cr_table[cr & 0x7F]) &
           0xFFFF;
}

// The colour one pixel of samples (luma, Cb, Cr) shows; inline, as the coders ask it of every
// pixel of every coding they try.
inline void shown_colour(DctConversion conversion, int32_t y, int32_t cb, int32_t cr,
                         uint8_t* rgb) {
    const ColourTables& tables = shown_colour_tables();
    widen_565(conversion == DctConversion::Summed ? summed_pixel(tables, y, cb, cr)
                                                  : channel_pixel(tables, y, cb, cr),
              rgb);
}

// Summed conversion: the luma samples that show a chroma pair without wrapping on any display.
// The tables do not clamp: a component sum outside 0..255 borrows from or carries into its
// neighbouring field, a 5-6-5 field can overflow even where the 8-bit sum does not, and a
// sample outside -64..63 stands for another level. Empty (low > high) when no luma will do.
struct LumaRange {
    int32_t low;
    int32_t high;
};
LumaRange summed_luma_range(int32_t cb, int32_t cr);

// A pixel with a channel more than this far off shows a wrong colour: a speckle.
constexpr int32_t SPECKLE_DISTANCE = 64;

inline bool is_speckle(const uint8_t* shown, const uint8_t* source) {
    for (int32_t c = 0; c < 3; ++c) {
        const int32_t d = int32_t(shown[c]) - int32_t(source[c]);
        if (d > SPECKLE_DISTANCE || d < -SPECKLE_DISTANCE) {
            return true;
        }
    }
    return false;
}

// The error a shown pixel counts for when codings are compared: its squared error, and for a
// speckle as much again as a pixel off by SPECKLE_DISTANCE in every channel, so that the
// choice trades a little overall error for fewer wrong colours.
inline int64_t weighed_error(const uint8_t* shown, const uint8_t* source) {
    int32_t error = 0;
    for (int32_t c = 0; c < 3; ++c) {
        const int32_t d = int32_t(shown[c]) - int32_t(source[c]);
        error += d * d;
    }
    return is_speckle(shown, source) ? error + 3 * SPECKLE_DISTANCE * SPECKLE_DISTANCE : error;
}

// The component sums of the summed tables before any field limit, in 8-bit levels.
void summed_levels(int32_t y, int32_t cb, int32_t cr, int32_t* rgb);

// Whether a summed-table pixel `shown` on the 5-6-5 display shows a colour wrapped to the far
// side of a channel: far from the component sums its samples' table entries stand for,
// clamped to 0..255. The tables round by a few levels; a wrapped colour is off by far more.
bool summed_shows_wrapped(int32_t y, int32_t cb, int32_t cr, const uint8_t* shown);

// Levels (8 u + v, as the decoders hold coefficients) dequantised and transformed as the
// decoders do it.
void reconstruct_macroblock(const int32_t (&levels)[6][64], const DequantTable& dequant,
                            MacroblockPlanes& planes);
// The 16 x 16 RGB pixels a player shows for decoded planes.
void shown_macroblock(const MacroblockPlanes& planes, DctConversion conversion, uint8_t* rgb);

}  // namespace qx

#pragma once
#include <cstdint>

#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/macroblock.h"
#include "video/colour_tables.h"

// The decoder in the loop: what a player shows for given samples or levels, worked out with
// the decoders' own transform, conversion and colour tables on the 5-6-5 display the DCT
// formats are drawn on, widened to 8 bits as the screen shows it.

enum class DctConversion { Summed, Channel };

// The 5-6-5 tables at brightness 100, built once by the player's own builder.
const ColourTables& shown_colour_tables();

// A 5-6-5 pixel as 8-bit red, green and blue, bits repeated so that full intensity is 255.
void widen_565(uint32_t pixel, uint8_t* rgb);

// The colour one pixel of samples (luma, Cb, Cr) shows.
void shown_colour(DctConversion conversion, int32_t y, int32_t cb, int32_t cr, uint8_t* rgb);

// Summed conversion: the luma samples that show a chroma pair without wrapping on any display.
// The tables do not clamp: a component sum outside 0..255 borrows from or carries into its
// neighbouring field, a 5-6-5 field can overflow even where the 8-bit sum does not, and a
// sample outside -64..63 stands for another level. Empty (low > high) when no luma will do.
struct LumaRange {
    int32_t low;
    int32_t high;
};
LumaRange summed_luma_range(int32_t cb, int32_t cr);

// The component sums of the summed tables before any field limit, in 8-bit levels.
void summed_levels(int32_t y, int32_t cb, int32_t cr, int32_t* rgb);

// Levels (8 u + v, as the decoders hold coefficients) dequantised and transformed as the
// decoders do it.
void reconstruct_macroblock(const int32_t (&levels)[6][64], const DequantTable& dequant,
                            MacroblockPlanes& planes);
// The 16 x 16 RGB pixels a player shows for decoded planes.
void shown_macroblock(const MacroblockPlanes& planes, DctConversion conversion, uint8_t* rgb);

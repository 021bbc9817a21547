#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/dct_colour_tables.h"

namespace qx {

// The samples of one 16 x 16 macroblock in 4:2:0 layout. A sample s stands for a level of
// about 2 s + 128; samples are not clamped.
struct MacroblockPlanes {
    int32_t luma_plane[256];  // 16 a row: blocks 0-3 are its quadrants
    int32_t cb_plane[64];     // block 4
    int32_t cr_plane[64];     // block 5
};

// Transforms block `index` (0-3 luma quadrants in raster order, 4 Cb, 5 Cr) into its place.
void idct_into_macroblock(const CoefficientBlock& block, MacroblockPlanes& planes, int32_t index);

enum ConvertMode : int32_t {
    CONVERT_SUMMED_2 = 0,   // summable tables, 2-byte pixels
    CONVERT_SUMMED_4 = 1,   // summable tables, 4-byte pixels (double width)
    CONVERT_CHANNEL_2 = 2,  // channel tables, 2-byte pixels
    CONVERT_CHANNEL_4 = 3,  // channel tables, 4-byte pixels (double width)
};

inline int32_t convert_pixel_bytes(ConvertMode mode) {
    return mode == CONVERT_SUMMED_4 || mode == CONVERT_CHANNEL_4 ? 4 : 2;
}

// Writes the top-left `columns` x `rows` pixels (16 x 16 for a whole macroblock) of the
// converted planes at `destination`, `stride` bytes a row. Whole macroblocks go through the
// kernel table.
void convert_macroblock(const MacroblockPlanes& planes, const ColourTables& tables,
                        uint8_t* destination, size_t stride, ConvertMode mode, int32_t columns = 16,
                        int32_t rows = 16);
// The portable version, one chroma look-up per 2 x 2 pixels.
void convert_macroblock_portable(const MacroblockPlanes& planes, const ColourTables& tables,
                                 uint8_t* destination, size_t stride, ConvertMode mode,
                                 int32_t columns = 16, int32_t rows = 16);
// The plain per-pixel form the fast one is checked against.
void convert_macroblock_reference(const MacroblockPlanes& planes, const ColourTables& tables,
                                  uint8_t* destination, size_t stride, ConvertMode mode,
                                  int32_t columns = 16, int32_t rows = 16);

// The summed tables' words of a whole macroblock, looked up one by one for the vector
// converters to add: 256 luma words and 64 chroma words (Cb and Cr summed).
struct SummedWords {
    alignas(32) uint32_t luma[256];
    alignas(32) uint32_t chroma[64];
};
void look_up_summed_words(const MacroblockPlanes& planes, const ColourTables& tables,
                          SummedWords& words);

// One channel-table pixel; index sums outside the tables are clamped to them.
uint32_t channel_pixel(const ColourTables& tables, int32_t y, int32_t cb, int32_t cr);

// Stores the low 2 or all 4 bytes of `word` (little-endian, as the display reads them).
inline void store_pixel(uint8_t* out, uint32_t word, int32_t pixel_bytes) {
    out[0] = static_cast<uint8_t>(word);
    out[1] = static_cast<uint8_t>(word >> 8);
    if (pixel_bytes == 4) {
        out[2] = static_cast<uint8_t>(word >> 16);
        out[3] = static_cast<uint8_t>(word >> 24);
    }
}

}  // namespace qx

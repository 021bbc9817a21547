#include <algorithm>

#include "codecs/dct/macroblock.h"

namespace qx {

uint32_t channel_pixel(const ColourTables& tables, int32_t y, int32_t cb, int32_t cr) {
    auto index = [](int64_t sum) { return static_cast<size_t>(std::clamp<int64_t>(sum, 0, 511)); };
    const int64_t green =
        int64_t{tables.cr_green_table[cr & 0xFF]} + y - tables.cb_green_table[cb & 0xFF];
    return tables.red_table[index(int64_t{y} + cr + 120)] + tables.green_table[index(green)] +
           tables.blue_table[index(int64_t{y} + cb + 120)];
}

void convert_macroblock_reference(const MacroblockPlanes& planes, const ColourTables& tables,
                                  uint8_t* destination, size_t stride, ConvertMode mode,
                                  int32_t columns, int32_t rows) {
    const int32_t pixel_bytes = convert_pixel_bytes(mode);
    const bool channel = mode == CONVERT_CHANNEL_2 || mode == CONVERT_CHANNEL_4;
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < columns; ++x) {
            const int32_t luma = planes.luma_plane[16 * y + x];
            const int32_t cb = planes.cb_plane[8 * (y / 2) + x / 2];
            const int32_t cr = planes.cr_plane[8 * (y / 2) + x / 2];
            const uint32_t word = channel
                                      ? channel_pixel(tables, luma, cb, cr)
                                      : tables.luma_table[luma & 0x7F] +
                                            tables.cb_table[cb & 0x7F] + tables.cr_table[cr & 0x7F];
            store_pixel(destination + y * stride + x * pixel_bytes, word, pixel_bytes);
        }
    }
}

}  // namespace qx

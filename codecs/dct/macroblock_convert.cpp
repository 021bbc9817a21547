#include <algorithm>

#include "codecs/dct/dct_kernels.h"
#include "codecs/dct/macroblock.h"

namespace qx {

void idct_into_macroblock(const CoefficientBlock& block, MacroblockPlanes& planes, int32_t index) {
    if (index < 4) {
        dct_kernels().idct_block(block, planes.luma_plane + 8 * 16 * (index >> 1) + 8 * (index & 1),
                                 16);
    } else {
        dct_kernels().idct_block(block, index == 4 ? planes.cb_plane : planes.cr_plane, 8);
    }
}

namespace {

// Each chroma sample serves a 2 x 2 square of luma samples: its part of the pixel is worked
// out once for the two rows it covers.
struct SummedChroma {
    uint32_t word[8];
};

// 64-bit, so that sums with samples of any value cannot overflow before they are clamped
// (32-bit sums wrapped for samples near the limits and picked the wrong end of the table).
struct ChannelChroma {
    int64_t red[8];
    int64_t green[8];
    int64_t blue[8];
};

SummedChroma summed_chroma_row(const MacroblockPlanes& planes, const ColourTables& tables,
                               int32_t chroma_row) {
    SummedChroma chroma;
    for (int32_t c = 0; c < 8; ++c) {
        chroma.word[c] = tables.cb_table[planes.cb_plane[8 * chroma_row + c] & 0x7F] +
                         tables.cr_table[planes.cr_plane[8 * chroma_row + c] & 0x7F];
    }
    return chroma;
}

ChannelChroma channel_chroma_row(const MacroblockPlanes& planes, const ColourTables& tables,
                                 int32_t chroma_row) {
    ChannelChroma chroma;
    for (int32_t c = 0; c < 8; ++c) {
        const int32_t cb = planes.cb_plane[8 * chroma_row + c];
        const int32_t cr = planes.cr_plane[8 * chroma_row + c];
        chroma.red[c] = int64_t{cr} + 120;
        chroma.green[c] = tables.cr_green_table[cr & 0xFF] - tables.cb_green_table[cb & 0xFF];
        chroma.blue[c] = int64_t{cb} + 120;
    }
    return chroma;
}

// Samples from the transform stay far inside the tables' range; planes filled by other means,
// with samples of any value, are clamped to the tables.
size_t table_index(int32_t luma, int64_t offset) {
    return static_cast<size_t>(std::clamp<int64_t>(int64_t{luma} + offset, 0, 511));
}

// Rows in pairs over one chroma row each; `pixel` forms a word from the chroma row's part,
// a luma sample and its chroma column.
template <int32_t PixelBytes, typename ChromaRow, typename Pixel>
void convert_rows(const MacroblockPlanes& planes, uint8_t* destination, size_t stride,
                  int32_t columns, int32_t rows, ChromaRow chroma_row, Pixel pixel) {
    for (int32_t cy = 0; 2 * cy < rows; ++cy) {
        const auto chroma = chroma_row(cy);
        for (int32_t y = 2 * cy; y < std::min(2 * cy + 2, rows); ++y) {
            const int32_t* luma = planes.luma_plane + 16 * y;
            uint8_t* out = destination + y * stride;
            for (int32_t x = 0; x < columns; ++x) {
                store_pixel(out + x * PixelBytes, pixel(chroma, luma[x], x / 2), PixelBytes);
            }
        }
    }
}

template <int32_t PixelBytes>
void convert_summed(const MacroblockPlanes& planes, const ColourTables& tables,
                    uint8_t* destination, size_t stride, int32_t columns, int32_t rows) {
    convert_rows<PixelBytes>(
        planes, destination, stride, columns, rows,
        [&](int32_t cy) { return summed_chroma_row(planes, tables, cy); },
        [&](const SummedChroma& chroma, int32_t luma, int32_t c) {
            return tables.luma_table[luma & 0x7F] + chroma.word[c];
        });
}

template <int32_t PixelBytes>
void convert_channel(const MacroblockPlanes& planes, const ColourTables& tables,
                     uint8_t* destination, size_t stride, int32_t columns, int32_t rows) {
    convert_rows<PixelBytes>(
        planes, destination, stride, columns, rows,
        [&](int32_t cy) { return channel_chroma_row(planes, tables, cy); },
        [&](const ChannelChroma& chroma, int32_t luma, int32_t c) {
            return tables.red_table[table_index(luma, chroma.red[c])] +
                   tables.green_table[table_index(luma, chroma.green[c])] +
                   tables.blue_table[table_index(luma, chroma.blue[c])];
        });
}

}  // namespace

void convert_macroblock(const MacroblockPlanes& planes, const ColourTables& tables,
                        uint8_t* destination, size_t stride, ConvertMode mode, int32_t columns,
                        int32_t rows) {
    if (columns == 16 && rows == 16) {
        dct_kernels().convert_macroblock[mode](planes, tables, destination, stride);
    } else {
        convert_macroblock_portable(planes, tables, destination, stride, mode, columns, rows);
    }
}

void look_up_summed_words(const MacroblockPlanes& planes, const ColourTables& tables,
                          SummedWords& words) {
    for (int32_t i = 0; i < 256; ++i) {
        words.luma[i] = tables.luma_table[planes.luma_plane[i] & 0x7F];
    }
    for (int32_t i = 0; i < 64; ++i) {
        words.chroma[i] =
            tables.cb_table[planes.cb_plane[i] & 0x7F] + tables.cr_table[planes.cr_plane[i] & 0x7F];
    }
}

void convert_macroblock_portable(const MacroblockPlanes& planes, const ColourTables& tables,
                                 uint8_t* destination, size_t stride, ConvertMode mode,
                                 int32_t columns, int32_t rows) {
    switch (mode) {
        case CONVERT_SUMMED_2:
            convert_summed<2>(planes, tables, destination, stride, columns, rows);
            break;
        case CONVERT_SUMMED_4:
            convert_summed<4>(planes, tables, destination, stride, columns, rows);
            break;
        case CONVERT_CHANNEL_2:
            convert_channel<2>(planes, tables, destination, stride, columns, rows);
            break;
        case CONVERT_CHANNEL_4:
            convert_channel<4>(planes, tables, destination, stride, columns, rows);
            break;
    }
}

}  // namespace qx

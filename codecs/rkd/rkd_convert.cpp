#include "codecs/rkd/rkd_convert.h"

#include <algorithm>
#include <cstring>

#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_kernels.h"

namespace {

// Output bytes per pixel for one conversion.
size_t pixel_bytes(bool palettised, bool double_width) {
    return (palettised ? 1 : 2) * (double_width ? 2 : 1);
}

// Writes one output pixel for the index `s` at `out`.
inline void put_pixel(const RkdConversion& c, uint8_t s, uint8_t* out) {
    if (c.palettised) {
        out[0] = s;
        if (c.double_width) {
            out[1] = s;
        }
        return;
    }
    uint32_t entry = c.table->entries[s];
    if (c.double_width) {
        std::memcpy(out, &entry, 4);
    } else {
        uint16_t pixel = uint16_t(entry);
        std::memcpy(out, &pixel, 2);
    }
}

// Table pixels for one row, 8 a step, one table load per pixel. 16-bit pixels are gathered
// into one 16-byte store; 32-bit ones are stored one by one, which measures faster for them.
template <typename Pixel>
void convert_row_through_table(const uint8_t* row, int32_t width, const uint32_t* table,
                               uint8_t* out) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        Pixel group[8];
        for (int32_t i = 0; i < 8; ++i) {
            group[i] = Pixel(table[row[x + i]]);
            if constexpr (sizeof(Pixel) == 4) {
                std::memcpy(out + (x + i) * 4, &group[i], 4);
            }
        }
        if constexpr (sizeof(Pixel) == 2) {
            std::memcpy(out + x * 2, group, sizeof(group));
        }
    }
    for (; x < width; ++x) {
        Pixel pixel = Pixel(table[row[x]]);
        std::memcpy(out + x * int32_t(sizeof(Pixel)), &pixel, sizeof(Pixel));
    }
}

void convert_row_doubling(const uint8_t* row, int32_t width, uint8_t* out) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        uint8_t group[16];
        for (int i = 0; i < 8; ++i) {
            group[2 * i] = row[x + i];
            group[2 * i + 1] = row[x + i];
        }
        std::memcpy(out + 2 * x, group, sizeof(group));
    }
    for (; x < width; ++x) {
        out[2 * x] = row[x];
        out[2 * x + 1] = row[x];
    }
}

}  // namespace

int32_t rkd_rows_that_fit(const RkdConversion& c) {
    size_t row_bytes = rkd_converted_row_bytes(c.width, c.palettised, c.double_width);
    if (c.frame == nullptr || c.picture == nullptr || row_bytes == 0 || c.height <= 0) {
        return 0;
    }
    return int32_t(std::min<size_t>(size_t(c.height), c.picture_bytes / row_bytes));
}

size_t rkd_converted_row_bytes(int32_t width, bool palettised, bool double_width) {
    return width > 0 ? size_t(width) * pixel_bytes(palettised, double_width) : 0;
}

void rkd_convert(const RkdConversion& c) {
    int32_t rows = rkd_rows_that_fit(c);
    if (rows == 0) {
        return;
    }
    size_t row_bytes = rkd_converted_row_bytes(c.width, c.palettised, c.double_width);
    if (c.palettised && !c.double_width) {
        std::memcpy(c.picture, c.frame, size_t(rows) * row_bytes);
        return;
    }
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* row = c.frame + size_t(y) * size_t(c.width);
        uint8_t* out = c.picture + size_t(y) * row_bytes;
        if (c.palettised) {
            convert_row_doubling(row, c.width, out);
        } else if (c.double_width) {
            convert_row_through_table<uint32_t>(row, c.width, c.table->entries, out);
        } else {
            convert_row_through_table<uint16_t>(row, c.width, c.table->entries, out);
        }
    }
}

void rkd_convert_reference(const RkdConversion& c) {
    int32_t rows = rkd_rows_that_fit(c);
    size_t step = pixel_bytes(c.palettised, c.double_width);
    uint8_t* out = c.picture;
    for (size_t i = 0; i < size_t(rows) * size_t(c.width); ++i, out += step) {
        put_pixel(c, c.frame[i], out);
    }
}

void rkd_convert_picture(PlayerContext& context, uint8_t* picture, size_t picture_bytes) {
    if (!rkd_has_picture(context)) {
        return;
    }
    const PlayParams& params = *context.params;
    RkdConversion conversion{context.rkd_frame,
                             context.rkd_picture_width,
                             context.rkd_picture_height,
                             &rkd_pixel_table(),
                             params.colour_bits == 8,
                             (params.flags & PLAY_DOUBLE_WIDTH) != 0,
                             picture,
                             picture_bytes};
    rkd_kernels().convert(conversion);
}

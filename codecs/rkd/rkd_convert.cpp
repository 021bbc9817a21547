#include "codecs/rkd/rkd_convert.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/byte_order.h"
#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_kernels.h"

namespace qx {

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

// The pixel words below are assembled in registers and stored whole, first pixel lowest.
static_assert(std::endian::native == std::endian::little);

inline void store_word(uint8_t* out, uint64_t word) {
    std::memcpy(out, &word, 8);
}

// The pixels of four indexes (the bytes of `indexes`, first lowest), 16 bits each.
inline uint64_t four_pixels(uint32_t indexes, const uint32_t* table) {
    return uint64_t{uint16_t(table[indexes & 0xFF])} |
           uint64_t{uint16_t(table[indexes >> 8 & 0xFF])} << 16 |
           uint64_t{uint16_t(table[indexes >> 16 & 0xFF])} << 32 |
           uint64_t{uint16_t(table[indexes >> 24])} << 48;
}

// The whole entries of two indexes (the low two bytes of `indexes`).
inline uint64_t two_entries(uint32_t indexes, const uint32_t* table) {
    return table[indexes & 0xFF] | uint64_t{table[indexes >> 8 & 0xFF]} << 32;
}

// Calls `group(x, indexes)` for every whole group of 8 pixels of a row, x its first, with the
// group's indexes from one 64-bit load; returns the pixels done.
template <typename Group>
size_t for_each_group_of_8(const uint8_t* row, size_t count, Group&& group) {
    size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        group(x, load_le64(row + x));
    }
    return x;
}

// 16-bit pixels, 8 a step: the indexes come from one 64-bit load and the pixels leave four to
// a 64-bit store, so the loop is bound by its table loads rather than by one store per pixel.
void convert_row_to_16(const uint8_t* row, size_t count, const uint32_t* table, uint8_t* out) {
    size_t x = for_each_group_of_8(row, count, [&](size_t at, uint64_t indexes) {
        store_word(out + 2 * at, four_pixels(uint32_t(indexes), table));
        store_word(out + 2 * at + 8, four_pixels(uint32_t(indexes >> 32), table));
    });
    // Stretches of changed blocks are multiples of 4 pixels: one more group of 4 ends them.
    if (x + 4 <= count) {
        store_word(out + 2 * x, four_pixels(load_le32(row + x), table));
        x += 4;
    }
    for (; x < count; ++x) {
        const auto pixel = uint16_t(table[row[x]]);
        std::memcpy(out + 2 * x, &pixel, 2);
    }
}

// Two pixels a load from the pair table, four to a 64-bit store.
void convert_row_by_pairs(const uint8_t* row, size_t count, const uint32_t* pairs,
                          const uint32_t* table, uint8_t* out) {
    size_t x = for_each_group_of_8(row, count, [&](size_t at, uint64_t indexes) {
        store_word(out + 2 * at,
                   pairs[indexes & 0xFFFF] | uint64_t{pairs[indexes >> 16 & 0xFFFF]} << 32);
        store_word(out + 2 * at + 8,
                   pairs[indexes >> 32 & 0xFFFF] | uint64_t{pairs[indexes >> 48]} << 32);
    });
    if (x + 4 <= count) {
        const uint32_t indexes = load_le32(row + x);
        store_word(out + 2 * x, pairs[indexes & 0xFFFF] | uint64_t{pairs[indexes >> 16]} << 32);
        x += 4;
    }
    convert_row_to_16(row + x, count - x, table, out + 2 * x);
}

// Whole 32-bit entries, two to a 64-bit store.
void convert_row_to_32(const uint8_t* row, size_t count, const uint32_t* table, uint8_t* out) {
    size_t x = for_each_group_of_8(row, count, [&](size_t at, uint64_t indexes) {
        store_word(out + 4 * at, two_entries(uint32_t(indexes), table));
        store_word(out + 4 * at + 8, two_entries(uint32_t(indexes >> 16), table));
        store_word(out + 4 * at + 16, two_entries(uint32_t(indexes >> 32), table));
        store_word(out + 4 * at + 24, two_entries(uint32_t(indexes >> 48), table));
    });
    for (; x < count; ++x) {
        std::memcpy(out + 4 * x, &table[row[x]], 4);
    }
}

void convert_row_doubling(const uint8_t* row, size_t count, uint8_t* out) {
    size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        uint8_t group[16];
        for (size_t i = 0; i < 8; ++i) {
            group[2 * i] = row[x + i];
            group[2 * i + 1] = row[x + i];
        }
        std::memcpy(out + 2 * x, group, sizeof(group));
    }
    for (; x < count; ++x) {
        out[2 * x] = row[x];
        out[2 * x + 1] = row[x];
    }
}

RkdConversion conversion_of(const RkdDecoder& rkd, const RkdFrame& frame, uint8_t* picture,
                            size_t picture_bytes) {
    return {
        rkd.rkd_frame,       rkd.rkd_picture_width, rkd.rkd_picture_height, &rkd.rkd_pixel_table,
        rkd.rkd_pixel_pairs, frame.palettised,      frame.double_width,     picture,
        picture_bytes};
}

// The record of `picture` when it holds a conversion in this display form, else the record
// to replace: the one of the older picture.
RkdConvertedPicture& record_for(RkdDecoder& rkd, const RkdFrame& frame, const uint8_t* picture,
                                size_t picture_bytes) {
    for (RkdConvertedPicture& record : rkd.rkd_converted) {
        if (record.picture == picture && record.picture_bytes == picture_bytes &&
            record.palettised == frame.palettised && record.double_width == frame.double_width) {
            return record;
        }
    }
    RkdConvertedPicture* older = &rkd.rkd_converted[0];
    if (rkd.rkd_converted[1].picture_number < older->picture_number) {
        older = &rkd.rkd_converted[1];
    }
    older->picture = nullptr;
    return *older;
}

// The blocks the current picture shares with picture `number`, when the still-block masks
// reach back that far; null when they do not.
const uint64_t* unchanged_since(const RkdDecoder& rkd, uint64_t number) {
    const uint64_t now = rkd.rkd_picture_number;
    const auto still_in = [&](uint64_t picture) {
        return rkd.rkd_still_pictures[picture % 2] == picture;
    };
    if (number + 1 == now && still_in(now)) {
        return rkd_block_mask(rkd, int32_t(now % 2));
    }
    // The kept blocks of the latest inter frame are those still in it and in the one before.
    if (number + 2 == now && still_in(now) && still_in(now - 1)) {
        return rkd_block_mask(rkd, RKD_KEPT_BLOCKS);
    }
    return nullptr;
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
    const size_t step = pixel_bytes(c.palettised, c.double_width);
    // Kept blocks fewer than 8 between changed ones are converted again: starting a stretch
    // (a call, its tail, the mispredicted loop exits) costs more than that.
    rkd_for_each_converted_span(c, 8, [&](size_t first, size_t count) {
        const uint8_t* from = c.frame + first;
        uint8_t* out = c.picture + first * step;
        if (c.palettised && !c.double_width) {
            std::memcpy(out, from, count);
        } else if (c.palettised) {
            convert_row_doubling(from, count, out);
        } else if (c.double_width) {
            convert_row_to_32(from, count, c.table->entries, out);
        } else if (c.pairs != nullptr) {
            convert_row_by_pairs(from, count, c.pairs->entries, c.table->entries, out);
        } else {
            convert_row_to_16(from, count, c.table->entries, out);
        }
    });
}

void rkd_convert_reference(const RkdConversion& c) {
    const size_t step = pixel_bytes(c.palettised, c.double_width);
    rkd_for_each_converted_span(c, 1, [&](size_t first, size_t count) {
        for (size_t i = first; i < first + count; ++i) {
            put_pixel(c, c.frame[i], c.picture + i * step);
        }
    });
}

void rkd_convert_picture(const RkdDecoder& rkd, const RkdFrame& frame, uint8_t* picture,
                         size_t picture_bytes) {
    if (!rkd_has_picture(rkd, frame)) {
        return;
    }
    rkd_kernels().convert(conversion_of(rkd, frame, picture, picture_bytes));
}

void rkd_convert_kept_picture(RkdDecoder& rkd, const RkdFrame& frame, uint8_t* picture,
                              size_t picture_bytes) {
    if (!rkd_has_picture(rkd, frame)) {
        return;
    }
    RkdConversion conversion = conversion_of(rkd, frame, picture, picture_bytes);
    RkdConvertedPicture& record = record_for(rkd, frame, picture, picture_bytes);
    if (record.picture == picture && record.picture_number == rkd.rkd_picture_number) {
        return;
    }
    conversion.kept =
        record.picture == picture ? unchanged_since(rkd, record.picture_number) : nullptr;
    rkd_kernels().convert(conversion);
    record = {picture, picture_bytes, rkd.rkd_picture_number, frame.palettised, frame.double_width};
}

void rkd_forget_converted_pictures(RkdDecoder& rkd) {
    rkd.rkd_converted[0] = {};
    rkd.rkd_converted[1] = {};
}

}  // namespace qx

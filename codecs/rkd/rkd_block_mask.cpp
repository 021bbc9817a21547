#include "codecs/rkd/rkd_block_mask.h"

#include <algorithm>

namespace qx {

[[gnu::target("popcnt")]] bool rkd_mask_mostly_set(const uint64_t* mask, int32_t columns,
                                                   int32_t rows) {
    size_t set = 0;
    for (size_t i = 0; i < rkd_mask_words(columns, rows); ++i) {
        set += size_t(std::popcount(mask[i]));
    }
    return columns > 0 && rows > 0 && 3 * set >= 2 * size_t(columns) * size_t(rows);
}

void rkd_mark_fields(const int32_t* fields, uint32_t first, uint32_t count, uint32_t marked,
                     uint64_t* marks) {
    for (uint32_t at = first / 64; 64 * at < count; ++at) {
        const int32_t* word_fields = fields + size_t{64} * at;
        const uint32_t end = std::min<uint32_t>(64, count - 64 * at);
        const uint32_t start = at == first / 64 ? first % 64 : 0;
        uint64_t word = start == 0 ? 0 : marks[at];
        for (uint32_t k = start; k < end; ++k) {
            word |= uint64_t{uint32_t(word_fields[k]) == marked} << k;
        }
        marks[at] = word;
    }
}

void rkd_block_mask_from_marks(const uint64_t* marks, int32_t columns, int32_t rows,
                               uint64_t* mask) {
    if (columns <= 0 || rows <= 0) {
        return;
    }
    const uint64_t mark_words = (uint64_t(columns) * uint64_t(rows) + 63) / 64;
    const int32_t words = rkd_mask_words_per_row(columns);
    const uint64_t last_word_blocks = rkd_mask_word_blocks(columns, words - 1);
    uint64_t row_first = 0;
    for (int32_t y = 0; y < rows; ++y, row_first += uint64_t(columns)) {
        for (int32_t word = 0; word < words; ++word, ++mask) {
            const uint64_t first = row_first + 64 * uint64_t(word);
            const uint64_t at = first / 64;
            const uint32_t shift = first % 64;
            const uint64_t next = at + 1 < mark_words ? marks[at + 1] : 0;
            // Two shifts, so a shift of 0 takes nothing from the next word.
            const uint64_t bits = (marks[at] >> shift) | ((next << 1) << (63 - shift));
            *mask = word + 1 < words ? bits : bits & last_word_blocks;
        }
    }
}

void rkd_mark_blocks_of_index(const int32_t* block_map, int32_t columns, int32_t rows,
                              uint32_t index, uint64_t* mask) {
    rkd_fill_block_mask(block_map, columns, rows, mask,
                        [index](const int32_t* row, int32_t first, int32_t end) {
                            uint64_t bits = 0;
                            for (int32_t x = first; x < end; ++x) {
                                bits |= uint64_t{uint32_t(row[x]) == index} << (x - first);
                            }
                            return bits;
                        });
}

void rkd_mark_blocks_of_index_reference(const int32_t* block_map, int32_t columns, int32_t rows,
                                        uint32_t index, uint64_t* mask) {
    const int32_t words = rkd_mask_words_per_row(columns);
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < columns; ++x) {
            uint64_t& word = mask[size_t(y) * size_t(words) + size_t(x / 64)];
            if (x % 64 == 0) {
                word = 0;
            }
            if (uint32_t(block_map[size_t(y) * size_t(columns) + size_t(x)]) == index) {
                word |= uint64_t{1} << (x % 64);
            }
        }
    }
}

}  // namespace qx

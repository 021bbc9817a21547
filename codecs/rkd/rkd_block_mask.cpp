#include "codecs/rkd/rkd_block_mask.h"

[[gnu::target("popcnt")]] bool rkd_mask_mostly_set(const uint64_t* mask, int32_t columns,
                                                   int32_t rows) {
    size_t set = 0;
    for (size_t i = 0; i < rkd_mask_words(columns, rows); ++i) {
        set += size_t(std::popcount(mask[i]));
    }
    return columns > 0 && rows > 0 && 3 * set >= 2 * size_t(columns) * size_t(rows);
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

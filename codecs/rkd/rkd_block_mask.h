#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>

namespace qx {

// One bit per 4 x 4 block of a picture: each block row starts a new run of 64-bit words, and
// block x of a row is bit x % 64 of the row's word x / 64.
inline int32_t rkd_mask_words_per_row(int32_t columns) {
    return columns > 0 ? (columns + 63) / 64 : 0;
}
inline size_t rkd_mask_words(int32_t columns, int32_t rows) {
    return rows > 0 ? size_t(rkd_mask_words_per_row(columns)) * size_t(rows) : 0;
}

// The bits of one mask word that stand for blocks of a row of `columns` blocks.
inline uint64_t rkd_mask_word_blocks(int32_t columns, int32_t word) {
    const int32_t left = columns - 64 * word;
    return left >= 64 ? ~uint64_t{0} : (uint64_t{1} << left) - 1;
}

// Fills the mask of a map of `rows` rows of `columns` blocks a word at a time: `word_bits(row,
// first, end)` gives the bits of blocks `first` to `end` - 1 of the row whose map is `row`,
// block `first` in bit 0.
template <typename WordBits>
void rkd_fill_block_mask(const int32_t* block_map, int32_t columns, int32_t rows, uint64_t* mask,
                         WordBits&& word_bits) {
    const int32_t words = rkd_mask_words_per_row(columns);
    for (int32_t y = 0; y < rows; ++y, block_map += columns) {
        for (int32_t word = 0; word < words; ++word, ++mask) {
            const int32_t first = 64 * word;
            *mask = word_bits(block_map, first, columns - first < 64 ? columns : first + 64);
        }
    }
}

// Whether at least two in three blocks of a mask of `rows` rows of `columns` blocks are set.
// Fast versions of kernels that skip set blocks pass such a mask on to the versions that walk
// it a stretch at a time. It counts with the POPCNT instruction: only for processors that have
// it (every one with AVX-512 does).
bool rkd_mask_mostly_set(const uint64_t* mask, int32_t columns, int32_t rows);

// Marks of a block map as it is read: bit j % 64 of word j / 64 stands for field j, set where
// the field is `marked`. Marks fields `first` to `count` - 1; the bits of word first / 64 below
// `first` are kept and those above it must be clear, the words after it are written whole.
void rkd_mark_fields(const int32_t* fields, uint32_t first, uint32_t count, uint32_t marked,
                     uint64_t* marks);

// The block mask of `rows` rows of `columns` blocks from the marks of their map.
void rkd_block_mask_from_marks(const uint64_t* marks, int32_t columns, int32_t rows,
                               uint64_t* mask);

// Sets the bit of every block whose block-map index is `index`, clears the others.
void rkd_mark_blocks_of_index(const int32_t* block_map, int32_t columns, int32_t rows,
                              uint32_t index, uint64_t* mask);
// The same a block at a time: the reference the fast versions are checked against.
void rkd_mark_blocks_of_index_reference(const int32_t* block_map, int32_t columns, int32_t rows,
                                        uint32_t index, uint64_t* mask);

// Calls `span(first, end)` for every stretch of blocks of row words `row` whose bits are clear,
// in order, as block columns; stretches apart by fewer than `join` blocks come as one.
template <typename Span>
void rkd_for_each_clear_stretch(const uint64_t* row, int32_t columns, int32_t join, Span&& span) {
    int32_t pending_first = -1;
    int32_t pending_end = 0;
    for (int32_t word = 0; word < rkd_mask_words_per_row(columns); ++word) {
        uint64_t clear = ~row[word] & rkd_mask_word_blocks(columns, word);
        while (clear != 0) {
            const int32_t first = std::countr_zero(clear);
            const int32_t length = std::countr_one(clear >> first);
            clear &= length + first >= 64 ? 0 : ~uint64_t{0} << (first + length);
            const int32_t at = 64 * word + first;
            if (pending_first >= 0 && at - pending_end < join) {
                pending_end = at + length;
                continue;
            }
            if (pending_first >= 0) {
                span(pending_first, pending_end);
            }
            pending_first = at;
            pending_end = at + length;
        }
    }
    if (pending_first >= 0) {
        span(pending_first, pending_end);
    }
}

}  // namespace qx

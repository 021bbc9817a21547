// AVX-512 versions of the Rkd kernels. This file alone is compiled for AVX-512 (F, VL, BW, DQ);
// it is entered only through the kernel table after detection.
#include <immintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_kernels.h"
#include "codecs/rkd/rkd_quad_blocks.h"

namespace qx {

namespace {

// Sixteen blocks a compare; lanes past the row's end load nothing and compare unequal.
void mark_blocks_of_index_avx512(const int32_t* block_map, int32_t columns, int32_t rows,
                                 uint32_t index, uint64_t* mask) {
    const __m512i wanted = _mm512_set1_epi32(int32_t(index));
    rkd_fill_block_mask(
        block_map, columns, rows, mask, [&](const int32_t* row, int32_t first, int32_t end) {
            uint64_t bits = 0;
            for (int32_t x = first; x < end; x += 16) {
                const int32_t left = end - x;
                const __mmask16 lanes = left >= 16 ? 0xFFFF : __mmask16((1u << left) - 1);
                const __m512i indexes = _mm512_maskz_loadu_epi32(lanes, row + x);
                bits |= uint64_t{_mm512_mask_cmpeq_epi32_mask(lanes, indexes, wanted)}
                        << (x - first);
            }
            return bits;
        });
}

// Sixteen fields a step, as the AVX2 reader takes eight: fields 8-15 of a group start `width`
// bytes after fields 0-7, so each half of the register holds the sixteen bytes of its eight
// fields, and the same byte shuffle and shifts serve both halves. One compare marks them.
void read_index_fields_avx512(int32_t* destination, const uint8_t* source, size_t source_bytes,
                              uint32_t count, uint32_t width, uint32_t marked, uint64_t* marks) {
    if (!rkd_index_width_supported(width)) {
        return;
    }
    const RkdEightFields eight = rkd_eight_fields(width);
    const __m512i gather = _mm512_maskz_broadcast_i64x4(
        0xFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(eight.word_bytes)));
    const __m512i shift = _mm512_maskz_broadcast_i64x4(
        0xFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(eight.shifts)));
    const __m512i mask = _mm512_set1_epi32(int32_t((1u << width) - 1));
    const __m512i wanted = _mm512_set1_epi32(int32_t(marked));
    uint32_t j = 0;
    size_t at = 0;
    uint64_t word = 0;
    for (; j + 16 <= count && at + width + 16 <= source_bytes; j += 16, at += 2 * size_t{width}) {
        // The zero-masked forms with every lane set avoid GCC 12's false uninitialised
        // warnings on the unmasked ones.
        const __m512i bytes = _mm512_maskz_inserti64x4(
            0xFF,
            _mm512_castsi256_si512(_mm256_broadcastsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + at)))),
            _mm256_broadcastsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + at + width))),
            1);
        const __m512i fields = _mm512_and_si512(
            _mm512_maskz_srlv_epi32(0xFFFF, _mm512_maskz_shuffle_epi8(~0ull, bytes, gather), shift),
            mask);
        _mm512_storeu_si512(destination + j, fields);
        word |= uint64_t{_mm512_cmpeq_epi32_mask(fields, wanted)} << (j % 64);
        if (j % 64 == 48) {
            marks[j / 64] = word;
            word = 0;
        }
    }
    rkd_finish_index_fields(destination, source, source_bytes, count, width, marked, marks, j, at,
                            word);
}

// Byte offsets of sixteen neighbouring blocks from the first of them.
__m512i sixteen_blocks() {
    return _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60);
}

// The address `offset` bytes from `base`, which a masked load may be given even where it
// lies outside the picture: only its lanes inside are read.
inline const uint8_t* offset_address(const uint8_t* base, int64_t offset) {
    return reinterpret_cast<const uint8_t*>(reinterpret_cast<uintptr_t>(base) + uintptr_t(offset));
}

// The four pixel rows of one group of sixteen neighbouring blocks, built in registers (the
// loops over them are unrolled: left rolled at -O2 they keep the rows in memory).
struct GroupRows {
    __m512i row[4];

    // Rows `width` apart from `from`, into the lanes `lanes`.
    void load(__mmask16 lanes, const uint8_t* from, int32_t width) {
#pragma GCC unroll 4
        for (int32_t r = 0; r < 4; ++r) {
            row[r] = _mm512_mask_loadu_epi32(row[r], lanes, from + r * width);
        }
    }
};

// Sixteen neighbouring blocks of one block row, from the one at `position`: `present` are the
// blocks inside the row, `written` those of them not kept. All blocks that share a vector come
// in at once, a masked load a pixel row, table blocks one by one, and the written blocks leave
// in one masked store a pixel row: kept blocks are neither read nor written.
void assemble_group(const int32_t* indexes, __mmask16 present, __mmask16 written, int32_t position,
                    const uint8_t* previous, uint8_t* picture, const RkdBlockSources& sources,
                    int32_t width, int32_t last_source) {
    const __m512i index = _mm512_maskz_loadu_epi32(present, indexes);
    const __m512i block_positions = _mm512_add_epi32(_mm512_set1_epi32(position), sixteen_blocks());
    const uint8_t* here = previous + position;
    uint8_t* to = picture + position;
    GroupRows rows{};
    __mmask16 keep_place = 0;
    for (__mmask16 left = written; left != 0;) {
        const auto v = uint32_t(indexes[std::countr_zero(uint32_t(left))]);
        if (v >= sources.vector_count) {
            // Table blocks, and indexes that select nothing, one by one: each mostly has an
            // index of its own.
            const __mmask16 others = _mm512_mask_cmpge_epu32_mask(
                left, index, _mm512_set1_epi32(int32_t(sources.vector_count)));
            left &= ~others;
            for (uint32_t lanes = others; lanes != 0; lanes &= lanes - 1) {
                const int32_t k = std::countr_zero(lanes);
                const uint32_t entry = uint32_t(indexes[k]) - sources.vector_count;
                if (entry >= sources.block_count) {
                    keep_place |= __mmask16(1u << k);
                    continue;
                }
                // A table block's row r is 4 bytes at 4r; lane k of a load reads 4k bytes on.
                rows.load(__mmask16(1u << k),
                          offset_address(sources.blocks + size_t{entry} * RKD_BLOCK_BYTES, -4 * k),
                          4);
            }
            continue;
        }
        const __mmask16 same =
            _mm512_mask_cmpeq_epi32_mask(left, index, _mm512_set1_epi32(int32_t(v)));
        left &= ~same;
        // Positions stay below 2^26, so a sum that wraps came from an offset that lands past
        // the picture anyway, and goes negative.
        const int32_t offset = sources.vector_offsets[v];
        const __m512i from = _mm512_add_epi32(block_positions, _mm512_set1_epi32(offset));
        const __mmask16 inside = _mm512_mask_cmpge_epi32_mask(same, from, _mm512_setzero_si512()) &
                                 _mm512_cmple_epi32_mask(from, _mm512_set1_epi32(last_source));
        keep_place |= same & ~inside;
        // A load with no lane on reads nothing, wherever it points: no branch is needed around
        // it, and without one the panning frame measured a little faster.
        rows.load(inside, offset_address(here, offset), width);
    }
    if (keep_place != 0) {
        rows.load(keep_place, here, width);
    }
#pragma GCC unroll 4
    for (int32_t r = 0; r < 4; ++r) {
        _mm512_mask_storeu_epi32(to + r * width, written, rows.row[r]);
    }
}

// Sixteen blocks a step, each step a few wide moves whatever the runs of blocks inside it:
// the runs of a panning picture are short and of every length, and a step per run guesses
// its length wrong about once a run.
void assemble_picture_avx512(const int32_t* block_map, const uint8_t* previous, uint8_t* picture,
                             const RkdBlockSources& sources, int32_t width, int32_t height,
                             const uint64_t* kept) {
    if (width < 4 || height < 4) {
        return;
    }
    const int32_t columns = width / 4;
    // A picture mostly kept is walked faster a stretch of changed blocks at a time, and one of
    // much new content (table blocks for more than one block in eight) by the plain moves of
    // the portable walker, where each table block costs four masked loads here.
    const auto blocks = uint32_t(columns) * uint32_t(height / 4);
    if ((kept != nullptr && rkd_mask_mostly_set(kept, columns, height / 4)) ||
        sources.block_count > blocks / 8) {
        rkd_assemble_picture(block_map, previous, picture, sources, width, height, kept);
        return;
    }
    const int32_t words = rkd_mask_words_per_row(columns);
    const auto last_source = int32_t(int64_t{width} * height - 3 * int64_t{width} - 4);
    for (int32_t y = 0; y < height / 4; ++y, block_map += columns) {
        const int32_t row_position = 4 * y * width;
        for (int32_t x = 0; x < columns; x += 16) {
            const int32_t left = columns - x;
            const __mmask16 present = left >= 16 ? 0xFFFF : __mmask16((1u << left) - 1);
            const auto kept_here =
                kept != nullptr ? __mmask16(kept[y * words + x / 64] >> (x % 64)) : __mmask16(0);
            const __mmask16 written = present & ~kept_here;
            if (written != 0) {
                assemble_group(block_map + x, present, written, row_position + 4 * x, previous,
                               picture, sources, width, last_source);
            }
        }
    }
}

// The low 16 bits of all 256 entries held in eight registers, 32 entries each.
struct Table16 {
    __m512i part[8];
};

Table16 low_halves(const uint32_t* entries) {
    uint16_t halves[256];
    for (int32_t i = 0; i < 256; ++i) {
        halves[i] = uint16_t(entries[i]);
    }
    Table16 table;
    for (int32_t k = 0; k < 8; ++k) {
        table.part[k] = _mm512_loadu_si512(halves + 32 * k);
    }
    return table;
}

// 32 pixels from 32 indices: each two-register permute looks up 64 entries by the index's low
// six bits, and bits 6 and 7 pick among the four results. No memory is touched but the table.
__m512i look_up_32(const Table16& table, const uint8_t* indices) {
    const __m512i index =
        _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(indices)));
    const __m512i q0 = _mm512_permutex2var_epi16(table.part[0], index, table.part[1]);
    const __m512i q1 = _mm512_permutex2var_epi16(table.part[2], index, table.part[3]);
    const __m512i q2 = _mm512_permutex2var_epi16(table.part[4], index, table.part[5]);
    const __m512i q3 = _mm512_permutex2var_epi16(table.part[6], index, table.part[7]);
    const __mmask32 bit6 = _mm512_test_epi16_mask(index, _mm512_set1_epi16(64));
    const __mmask32 bit7 = _mm512_test_epi16_mask(index, _mm512_set1_epi16(128));
    return _mm512_mask_blend_epi16(bit7, _mm512_mask_blend_epi16(bit6, q0, q1),
                                   _mm512_mask_blend_epi16(bit6, q2, q3));
}

// 16-bit pixels come from the table held in registers; the other forms keep the portable
// versions (plain moves, and one 32-bit store per pixel). A step may run past its stretch:
// the pixels after it get their own values again.
void convert_avx512(const RkdConversion& c) {
    if (c.palettised || c.double_width) {
        rkd_convert(c);
        return;
    }
    const size_t pixels = size_t(rkd_rows_that_fit(c)) * size_t(c.width);
    const Table16 table = low_halves(c.table->entries);
    rkd_for_each_converted_span(c, 8, [&](size_t first, size_t count) {
        size_t i = first;
        for (; i < first + count && i + 32 <= pixels; i += 32) {
            _mm512_storeu_si512(c.picture + 2 * i, look_up_32(table, c.frame + i));
        }
        for (; i < first + count; ++i) {
            const auto pixel = uint16_t(c.table->entries[c.frame[i]]);
            std::memcpy(c.picture + 2 * i, &pixel, 2);
        }
    });
}

}  // namespace

void rkd_kernels_avx512(RkdKernels& kernels) {
    kernels.assemble_picture = assemble_picture_avx512;
    kernels.mark_blocks_of_index = mark_blocks_of_index_avx512;
    kernels.read_index_fields = read_index_fields_avx512;
    kernels.convert = convert_avx512;
}

}  // namespace qx

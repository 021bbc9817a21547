// AVX-512 versions of the Rkd kernels. This file alone is compiled for AVX-512 (F, VL, BW, DQ);
// it is entered only through the kernel table after detection.
#include <immintrin.h>

#include <cstring>

#include "codecs/rkd/rkd_kernels.h"

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
    kernels.mark_blocks_of_index = mark_blocks_of_index_avx512;
    kernels.convert = convert_avx512;
}

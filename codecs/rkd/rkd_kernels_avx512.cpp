// AVX-512 versions of the Rkd kernels. This file alone is compiled for AVX-512 (F, VL, BW, DQ);
// it is entered only through the kernel table after detection.
#include <immintrin.h>

#include <cstring>

#include "codecs/rkd/rkd_kernels.h"

namespace {

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
// versions (plain moves, and one 32-bit store per pixel).
void convert_avx512(const RkdConversion& c) {
    if (c.palettised || c.double_width) {
        rkd_convert(c);
        return;
    }
    const size_t pixels = size_t(rkd_rows_that_fit(c)) * size_t(c.width);
    const Table16 table = low_halves(c.table->entries);
    size_t i = 0;
    for (; i + 32 <= pixels; i += 32) {
        _mm512_storeu_si512(c.picture + 2 * i, look_up_32(table, c.frame + i));
    }
    for (; i < pixels; ++i) {
        const auto pixel = uint16_t(c.table->entries[c.frame[i]]);
        std::memcpy(c.picture + 2 * i, &pixel, 2);
    }
}

}  // namespace

void rkd_kernels_avx512(RkdKernels& kernels) {
    kernels.convert = convert_avx512;
}

#pragma once
// The transposes of the inverse transform on 256-bit registers that move values between the
// registers' 128-bit halves only once, between the passes: the AVX2 and AVX-512 files both
// take them (each compiled for its own instruction set; everything here has internal linkage).
// The AVX-512 transform, which otherwise keeps its own rotation and shape test, takes them
// too: on the AVX-512 processor measured, these in-half unpacks made a full block faster than
// its own permutes across whole 512-bit registers (27.8 against 34.9 ns).
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/idct_simd.h"

namespace qx {

namespace {

// Transposes the 4 x 4 square in each half of four registers: afterwards register j holds
// value j of the four inputs' low halves in its low half, of their high halves in its high half.
QX_IDCT_INLINE void transpose_squares(__m256i& a, __m256i& b, __m256i& c, __m256i& d) {
    const __m256i ab_low = _mm256_unpacklo_epi32(a, b);
    const __m256i ab_high = _mm256_unpackhi_epi32(a, b);
    const __m256i cd_low = _mm256_unpacklo_epi32(c, d);
    const __m256i cd_high = _mm256_unpackhi_epi32(c, d);
    a = _mm256_unpacklo_epi64(ab_low, cd_low);
    b = _mm256_unpackhi_epi64(ab_low, cd_low);
    c = _mm256_unpacklo_epi64(ab_high, cd_high);
    d = _mm256_unpackhi_epi64(ab_high, cd_high);
}

QX_IDCT_INLINE void transpose_squares(Rows r) {
    transpose_squares(r[0], r[1], r[2], r[3]);
    transpose_squares(r[4], r[5], r[6], r[7]);
}

// Four values at `low` in lanes 0-3 and four at `high` in lanes 4-7.
QX_IDCT_INLINE __m256i load_halves(const int32_t* low, const int32_t* high) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

struct IdctHalfTransposes {
    // Groups u and u + 4 share a register, their first four inputs in one and their last four
    // in another, so the transposes stay inside the halves.
    QX_IDCT_INLINE static void load_transposed(const CoefficientBlock& block, Rows x) {
        const int32_t* values = block.values;
#pragma GCC unroll 4
        for (int32_t u = 0; u < 4; ++u) {
            x[u] = load_halves(values + 8 * u, values + 8 * u + 32);
            x[u + 4] = load_halves(values + 8 * u + 4, values + 8 * u + 36);
        }
        transpose_squares(x);
    }

    QX_IDCT_INLINE static void transpose(Rows x) {
        transpose_squares(x);
        // Register j holds columns j and j + 4 of rows 0-3, register j + 4 of rows 4-7.
#pragma GCC unroll 4
        for (int32_t j = 0; j < 4; ++j) {
            const __m256i upper = x[j];
            const __m256i lower = x[j + 4];
            x[j] = _mm256_inserti128_si256(upper, _mm256_castsi256_si128(lower), 1);
            x[j + 4] = _mm256_inserti128_si256(lower, _mm256_extracti128_si256(upper, 1), 0);
        }
    }

    // Row j of the samples is the low halves of registers j and j + 4 after the in-half
    // transposes, row j + 4 their high halves: stored half by half.
    QX_IDCT_INLINE static void store_transposed(Rows x, int32_t* out, ptrdiff_t stride) {
#pragma GCC unroll 8
        for (int32_t n = 0; n < 8; ++n) {
            x[n] = _mm256_srai_epi32(x[n], 17);
        }
        transpose_squares(x);
#pragma GCC unroll 4
        for (int32_t j = 0; j < 4; ++j) {
            auto* upper = reinterpret_cast<__m128i*>(out + j * stride);
            auto* lower = reinterpret_cast<__m128i*>(out + (j + 4) * stride);
            _mm_storeu_si128(upper, _mm256_castsi256_si128(x[j]));
            _mm_storeu_si128(upper + 1, _mm256_castsi256_si128(x[j + 4]));
            _mm_storeu_si128(lower, _mm256_extracti128_si256(x[j], 1));
            _mm_storeu_si128(lower + 1, _mm256_extracti128_si256(x[j + 4], 1));
        }
    }
};

}  // namespace

}  // namespace qx

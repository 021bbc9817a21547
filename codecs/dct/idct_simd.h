#pragma once
// The inverse transform on eight lanes of 32-bit integers, shared by the AVX2 and AVX-512
// files (each compiled for its own instruction set; everything here has internal linkage).
// Each lane carries out the scalar transform's operations in the same order, so the lanes
// give its results bit for bit; only the odd part's double-precision rotation differs by
// instruction set and comes in as `Rotate`.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/idct.h"

namespace {

using Rows = __m256i[8];

// v / sqrt(2) per lane: the upper half of the signed 64-bit product with 0x5A82799A, doubled.
inline __m256i half_sqrt2_lanes(__m256i v) {
    const __m256i factor = _mm256_set1_epi64x(0x5A82799A);
    const __m256i even = _mm256_mul_epi32(v, factor);
    const __m256i odd = _mm256_mul_epi32(_mm256_srli_epi64(v, 32), factor);
    const __m256i upper = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    return _mm256_add_epi32(upper, upper);
}

inline void transpose_rows(Rows r) {
    const __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]);
    const __m256i t1 = _mm256_unpackhi_epi32(r[0], r[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]);
    const __m256i t3 = _mm256_unpackhi_epi32(r[2], r[3]);
    const __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]);
    const __m256i t5 = _mm256_unpackhi_epi32(r[4], r[5]);
    const __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]);
    const __m256i t7 = _mm256_unpackhi_epi32(r[6], r[7]);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2);
    const __m256i u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3);
    const __m256i u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6);
    const __m256i u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7);
    const __m256i u7 = _mm256_unpackhi_epi64(t5, t7);
    r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// idct_1d on every lane: x[k] holds input k of each lane and is replaced by output k.
template <typename Rotate>
inline void idct_1d_lanes(Rows x) {
    const __m256i a = _mm256_add_epi32(x[5], x[3]);
    const __m256i b = _mm256_sub_epi32(x[5], x[3]);
    const __m256i d = _mm256_add_epi32(x[1], x[7]);
    const __m256i e = _mm256_sub_epi32(x[1], x[7]);
    const __m256i odd_sum = _mm256_add_epi32(d, a);
    const __m256i odd_diff = _mm256_sub_epi32(d, a);
    __m256i r1;
    __m256i r2;
    Rotate::apply(b, e, r1, r2);

    const __m256i h = half_sqrt2_lanes(odd_diff);
    const __m256i o0 = r1;
    const __m256i o1 = _mm256_add_epi32(r1, h);
    const __m256i o2 = _mm256_add_epi32(h, r2);
    const __m256i o3 = _mm256_add_epi32(r2, odd_sum);

    const __m256i p = _mm256_add_epi32(x[0], x[4]);
    const __m256i m = _mm256_sub_epi32(x[0], x[4]);
    const __m256i s = _mm256_add_epi32(x[2], x[6]);
    const __m256i t = half_sqrt2_lanes(_mm256_sub_epi32(x[2], x[6]));
    const __m256i st = _mm256_add_epi32(s, t);
    const __m256i e0 = _mm256_add_epi32(p, st);
    const __m256i e3 = _mm256_sub_epi32(p, st);
    const __m256i e1 = _mm256_add_epi32(m, t);
    const __m256i e2 = _mm256_sub_epi32(m, t);

    x[0] = _mm256_add_epi32(e0, o3);
    x[7] = _mm256_sub_epi32(e0, o3);
    x[1] = _mm256_add_epi32(e1, o2);
    x[6] = _mm256_sub_epi32(e1, o2);
    x[2] = _mm256_add_epi32(e2, o1);
    x[5] = _mm256_sub_epi32(e2, o1);
    x[3] = _mm256_add_epi32(e3, o0);
    x[4] = _mm256_sub_epi32(e3, o0);
}

// Both passes on all eight groups and rows at once. Skipping the first pass for groups with
// nothing beyond their first input is exact, so doing the arithmetic for them changes nothing.
template <typename Rotate>
void idct_block_lanes(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    Rows x;
    __m256i beyond_first_group = _mm256_setzero_si256();
    for (int32_t u = 0; u < 8; ++u) {
        x[u] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block.values + 8 * u));
        if (u > 0) {
            beyond_first_group = _mm256_or_si256(beyond_first_group, x[u]);
        }
    }
    if (_mm256_testz_si256(beyond_first_group, beyond_first_group)) {
        int32_t y[8];
        idct_group(block.values, y);
        for (int32_t r = 0; r < 8; ++r) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + r * stride),
                                _mm256_set1_epi32(y[r] >> 17));
        }
        return;
    }
    transpose_rows(x);         // x[k]: input k of every group u
    idct_1d_lanes<Rotate>(x);  // x[n]: row n of the intermediate array, lane u
    transpose_rows(x);         // x[k]: input k of every row r
    idct_1d_lanes<Rotate>(x);  // x[n]: sample column n, lane r
    transpose_rows(x);
    for (int32_t r = 0; r < 8; ++r) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + r * stride),
                            _mm256_srai_epi32(x[r], 17));
    }
}

}  // namespace

#pragma once
// The inverse transform on eight lanes of 32-bit integers, shared by the AVX2 and AVX-512
// files (each compiled for its own instruction set; everything here has internal linkage).
// Each lane carries out the scalar transform's operations in the same order, so the lanes
// give its results bit for bit; the odd part's double-precision rotation, the shape test and
// the transposes differ by instruction set and come in as `Isa`.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/idct.h"

namespace qx {

namespace {

// The block's 64 values must stay in registers from load to store: the helpers are always
// inlined and the short loops fully unrolled (a loop left rolled at -O2 keeps its array in memory).
#define QX_IDCT_INLINE [[gnu::always_inline]] inline

using Rows = __m256i[8];

// v / sqrt(2) per lane: the upper half of the signed 64-bit product with 0x5A82799A, doubled.
QX_IDCT_INLINE __m256i half_sqrt2_lanes(__m256i v) {
    const __m256i factor = _mm256_set1_epi64x(0x5A82799A);
    const __m256i even = _mm256_mul_epi32(v, factor);
    const __m256i odd = _mm256_mul_epi32(_mm256_srli_epi64(v, 32), factor);
    const __m256i upper = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    return _mm256_add_epi32(upper, upper);
}

// idct_1d on every lane: x[k] holds input k of each lane and is replaced by output k.
template <typename Isa>
QX_IDCT_INLINE void idct_1d_lanes(Rows x) {
    const __m256i a = _mm256_add_epi32(x[5], x[3]);
    const __m256i b = _mm256_sub_epi32(x[5], x[3]);
    const __m256i d = _mm256_add_epi32(x[1], x[7]);
    const __m256i e = _mm256_sub_epi32(x[1], x[7]);
    const __m256i odd_sum = _mm256_add_epi32(d, a);
    const __m256i odd_diff = _mm256_sub_epi32(d, a);
    __m256i r1;
    __m256i r2;
    Isa::rotate(b, e, r1, r2);

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

// What a block carries, found with a few vector compares before any arithmetic.
enum class BlockShape {
    DC_ONLY,           // nothing but coefficient 0 (or nothing at all)
    FIRST_GROUP_ONLY,  // nothing outside horizontal frequency 0
    FULL,
};

QX_IDCT_INLINE BlockShape shape_of_first_group(__m256i first_group) {
    const __m256i beyond_dc = _mm256_setr_epi32(0, -1, -1, -1, -1, -1, -1, -1);
    return _mm256_testz_si256(first_group, beyond_dc) ? BlockShape::DC_ONLY
                                                      : BlockShape::FIRST_GROUP_ONLY;
}

// Row r of the block's samples is lane by lane rows[r] >> 17.
QX_IDCT_INLINE void store_samples(const Rows rows, int32_t* out, ptrdiff_t stride) {
#pragma GCC unroll 8
    for (int32_t r = 0; r < 8; ++r) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + r * stride),
                            _mm256_srai_epi32(rows[r], 17));
    }
}

// Both passes on all eight groups and rows at once. `Isa` brings the rotation, the shape test
// and the transposes of its instruction set. Skipping the first pass for groups with nothing
// beyond their first input is exact, so doing the arithmetic for them changes nothing.
//
// The shortcuts are exact too: a second-pass row (y, 0, ..., 0) has zero odd inputs, whose
// products are +0 and round to integer 0, and an even part of four copies of y, so its eight
// outputs are all y. A block of one group thus needs only that group's transform, row r of the
// samples being output r (done on eight equal lanes, so each register is a whole row); a
// DC-only block's group gives eight copies of its DC for the same reason.
template <typename Isa>
void idct_block_lanes(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    Rows x;
    switch (Isa::shape_of(block)) {
        case BlockShape::DC_ONLY:
#pragma GCC unroll 8
            for (__m256i& row : x) {
                row = _mm256_set1_epi32(block.values[0]);
            }
            store_samples(x, out, stride);
            return;
        case BlockShape::FIRST_GROUP_ONLY:
#pragma GCC unroll 8
            for (int32_t k = 0; k < 8; ++k) {
                x[k] = _mm256_set1_epi32(block.values[k]);
            }
            idct_1d_lanes<Isa>(x);
            store_samples(x, out, stride);
            return;
        case BlockShape::FULL:
            break;
    }
    Isa::load_transposed(block, x);  // x[k]: input k of every group u
    idct_1d_lanes<Isa>(x);           // x[n]: row n of the intermediate array, lane u
    Isa::transpose(x);               // x[k]: input k of every row r
    idct_1d_lanes<Isa>(x);           // x[n]: sample column n, lane r
    Isa::store_transposed(x, out, stride);
}

}  // namespace

}  // namespace qx

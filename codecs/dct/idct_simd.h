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

// idct_1d on every lane: x[k] holds input k of each lane and is replaced by output k. Inputs
// from `Inputs` on are known to be zero and are not read: adding or subtracting a zero is exact
// in wrapping arithmetic, so the compiler may drop those operations without changing a bit.
template <typename Isa, int32_t Inputs = 8>
QX_IDCT_INLINE void idct_1d_lanes(Rows x) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i x4 = Inputs > 4 ? x[4] : zero;
    const __m256i x5 = Inputs > 4 ? x[5] : zero;
    const __m256i x6 = Inputs > 4 ? x[6] : zero;
    const __m256i x7 = Inputs > 4 ? x[7] : zero;
    const __m256i a = _mm256_add_epi32(x5, x[3]);
    const __m256i b = _mm256_sub_epi32(x5, x[3]);
    const __m256i d = _mm256_add_epi32(x[1], x7);
    const __m256i e = _mm256_sub_epi32(x[1], x7);
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

    const __m256i p = _mm256_add_epi32(x[0], x4);
    const __m256i m = _mm256_sub_epi32(x[0], x4);
    const __m256i s = _mm256_add_epi32(x[2], x6);
    const __m256i t = half_sqrt2_lanes(_mm256_sub_epi32(x[2], x6));
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

// What a block carries, found with a few vector compares before any arithmetic. The first two
// bits say which halves of the block are empty; a transform pass whose last four inputs are
// zero in every lane is cheaper.
enum BlockShape : uint32_t {
    SHAPE_FULL = 0,
    SHAPE_LOW_GROUPS = 1,     // horizontal frequencies 4-7 all zero
    SHAPE_LOW_VERTICALS = 2,  // vertical frequencies 4-7 zero in every group
    SHAPE_LOW_BOTH = 3,
    SHAPE_FIRST_GROUP = 4,  // nothing outside horizontal frequency 0
    SHAPE_DC_ONLY = 5,      // nothing but coefficient 0, or nothing at all
};

QX_IDCT_INLINE BlockShape shape_of_halves(bool low_groups, bool low_verticals) {
    return BlockShape((low_groups ? SHAPE_LOW_GROUPS : 0u) |
                      (low_verticals ? SHAPE_LOW_VERTICALS : 0u));
}

QX_IDCT_INLINE BlockShape shape_of_first_group(__m256i first_group) {
    const __m256i beyond_dc = _mm256_setr_epi32(0, -1, -1, -1, -1, -1, -1, -1);
    return _mm256_testz_si256(first_group, beyond_dc) ? SHAPE_DC_ONLY : SHAPE_FIRST_GROUP;
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
// and the transposes of its instruction set; a transpose given 4 makes only the next pass's
// first four inputs. Skipping the first pass for groups with nothing beyond their first input
// is exact, so doing the arithmetic for them changes nothing. With groups 4-7 empty, the
// intermediate array's columns 4-7 are exactly zero: the full transform of zeros is zero.
template <typename Isa, int32_t FirstInputs, int32_t SecondInputs>
QX_IDCT_INLINE void idct_both_passes(const CoefficientBlock& block, int32_t* out,
                                     ptrdiff_t stride) {
    Rows x;
    Isa::template load_transposed<FirstInputs>(block, x);  // x[k]: input k of every group u
    idct_1d_lanes<Isa, FirstInputs>(x);        // x[n]: row n of the intermediate array, lane u
    Isa::template transpose<SecondInputs>(x);  // x[k]: input k of every row r
    idct_1d_lanes<Isa, SecondInputs>(x);       // x[n]: sample column n, lane r
    Isa::template transpose<8>(x);
    store_samples(x, out, stride);
}

// The shortcuts are exact too: a second-pass row (y, 0, ..., 0) has zero odd inputs, whose
// products are +0 and round to integer 0, and an even part of four copies of y, so its eight
// outputs are all y. A block of one group thus needs only that group's transform, row r of the
// samples being output r (done on eight equal lanes, so each register is a whole row); a
// DC-only block's group gives eight copies of its DC for the same reason.
template <typename Isa>
void idct_block_lanes(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    Rows x;
    switch (Isa::shape_of(block)) {
        case SHAPE_DC_ONLY:
#pragma GCC unroll 8
            for (__m256i& row : x) {
                row = _mm256_set1_epi32(block.values[0]);
            }
            store_samples(x, out, stride);
            return;
        case SHAPE_FIRST_GROUP:
#pragma GCC unroll 8
            for (int32_t k = 0; k < 8; ++k) {
                x[k] = _mm256_set1_epi32(block.values[k]);
            }
            idct_1d_lanes<Isa>(x);
            store_samples(x, out, stride);
            return;
        case SHAPE_LOW_BOTH:
            idct_both_passes<Isa, 4, 4>(block, out, stride);
            return;
        case SHAPE_LOW_GROUPS:
            idct_both_passes<Isa, 8, 4>(block, out, stride);
            return;
        case SHAPE_LOW_VERTICALS:
            idct_both_passes<Isa, 4, 8>(block, out, stride);
            return;
        case SHAPE_FULL:
            idct_both_passes<Isa, 8, 8>(block, out, stride);
            return;
    }
}

}  // namespace

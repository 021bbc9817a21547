// SIMD128 versions of the DCT kernels, for the WebAssembly build (compiled with -msimd128 and
// without fused multiply-adds, which would skip a rounding the scalar transform makes).
#include <wasm_simd128.h>

#include "codecs/dct/dct_kernels.h"
#include "codecs/dct/idct.h"

namespace qx {

namespace {

using Lanes = v128_t[8];

// v / sqrt(2) per lane: the upper half of the signed 64-bit product with 0x5A82799A, doubled.
inline v128_t half_sqrt2_lanes(v128_t v) {
    const v128_t factor = wasm_i32x4_splat(0x5A82799A);
    const v128_t low = wasm_i64x2_extmul_low_i32x4(v, factor);
    const v128_t high = wasm_i64x2_extmul_high_i32x4(v, factor);
    const v128_t upper = wasm_i32x4_shuffle(low, high, 1, 3, 5, 7);
    return wasm_i32x4_add(upper, upper);
}

// The nearest integers of two pairs of doubles, ties to even, wrapping as the scalar code does:
// the low 32 bits of value + 1.5 * 2^52.
inline v128_t nearest_int32_lanes(v128_t low_pair, v128_t high_pair) {
    const v128_t bias = wasm_f64x2_splat(IDCT_ROUNDING_BIAS);
    return wasm_i32x4_shuffle(wasm_f64x2_add(low_pair, bias), wasm_f64x2_add(high_pair, bias), 0, 2,
                              4, 6);
}

// The rotation of the odd part, in doubles two lanes at a time, each step rounded as the
// scalar transform rounds it.
inline void rotate(v128_t b, v128_t e, v128_t& r1, v128_t& r2) {
    v128_t r1_pairs[2];
    v128_t r2_pairs[2];
    const v128_t high_b = wasm_i32x4_shuffle(b, b, 2, 3, 0, 1);
    const v128_t high_e = wasm_i32x4_shuffle(e, e, 2, 3, 0, 1);
    const v128_t bs[2] = {wasm_f64x2_convert_low_i32x4(b), wasm_f64x2_convert_low_i32x4(high_b)};
    const v128_t es[2] = {wasm_f64x2_convert_low_i32x4(e), wasm_f64x2_convert_low_i32x4(high_e)};
    for (int32_t i = 0; i < 2; ++i) {
        const v128_t z =
            wasm_f64x2_mul(wasm_f64x2_add(bs[i], es[i]), wasm_f64x2_splat(IDCT_ROT_MIX));
        r1_pairs[i] = wasm_f64x2_add(wasm_f64x2_mul(bs[i], wasm_f64x2_splat(IDCT_ROT_A)), z);
        r2_pairs[i] = wasm_f64x2_sub(wasm_f64x2_mul(es[i], wasm_f64x2_splat(IDCT_ROT_B)), z);
    }
    r1 = nearest_int32_lanes(r1_pairs[0], r1_pairs[1]);
    r2 = nearest_int32_lanes(r2_pairs[0], r2_pairs[1]);
}

// idct_1d on four lanes: x[k] holds input k of each lane and is replaced by output k.
inline void idct_1d_lanes(Lanes x) {
    const v128_t a = wasm_i32x4_add(x[5], x[3]);
    const v128_t b = wasm_i32x4_sub(x[5], x[3]);
    const v128_t d = wasm_i32x4_add(x[1], x[7]);
    const v128_t e = wasm_i32x4_sub(x[1], x[7]);
    const v128_t odd_sum = wasm_i32x4_add(d, a);
    const v128_t odd_diff = wasm_i32x4_sub(d, a);
    v128_t r1;
    v128_t r2;
    rotate(b, e, r1, r2);

    const v128_t h = half_sqrt2_lanes(odd_diff);
    const v128_t o1 = wasm_i32x4_add(r1, h);
    const v128_t o2 = wasm_i32x4_add(h, r2);
    const v128_t o3 = wasm_i32x4_add(r2, odd_sum);

    const v128_t p = wasm_i32x4_add(x[0], x[4]);
    const v128_t m = wasm_i32x4_sub(x[0], x[4]);
    const v128_t s = wasm_i32x4_add(x[2], x[6]);
    const v128_t t = half_sqrt2_lanes(wasm_i32x4_sub(x[2], x[6]));
    const v128_t st = wasm_i32x4_add(s, t);
    const v128_t e0 = wasm_i32x4_add(p, st);
    const v128_t e3 = wasm_i32x4_sub(p, st);
    const v128_t e1 = wasm_i32x4_add(m, t);
    const v128_t e2 = wasm_i32x4_sub(m, t);

    x[0] = wasm_i32x4_add(e0, o3);
    x[7] = wasm_i32x4_sub(e0, o3);
    x[1] = wasm_i32x4_add(e1, o2);
    x[6] = wasm_i32x4_sub(e1, o2);
    x[2] = wasm_i32x4_add(e2, o1);
    x[5] = wasm_i32x4_sub(e2, o1);
    x[3] = wasm_i32x4_add(e3, r1);
    x[4] = wasm_i32x4_sub(e3, r1);
}

inline void transpose4(v128_t& a, v128_t& b, v128_t& c, v128_t& d) {
    const v128_t ab_low = wasm_i32x4_shuffle(a, b, 0, 4, 1, 5);
    const v128_t ab_high = wasm_i32x4_shuffle(a, b, 2, 6, 3, 7);
    const v128_t cd_low = wasm_i32x4_shuffle(c, d, 0, 4, 1, 5);
    const v128_t cd_high = wasm_i32x4_shuffle(c, d, 2, 6, 3, 7);
    a = wasm_i64x2_shuffle(ab_low, cd_low, 0, 2);
    b = wasm_i64x2_shuffle(ab_low, cd_low, 1, 3);
    c = wasm_i64x2_shuffle(ab_high, cd_high, 0, 2);
    d = wasm_i64x2_shuffle(ab_high, cd_high, 1, 3);
}

// Four rows of eight values at `rows` (8 apart) as x[k] = value k of each row.
inline void load_columns(const int32_t* rows, Lanes x) {
    for (int32_t half = 0; half < 2; ++half) {
        for (int32_t r = 0; r < 4; ++r) {
            x[4 * half + r] = wasm_v128_load(rows + 8 * r + 4 * half);
        }
        transpose4(x[4 * half], x[4 * half + 1], x[4 * half + 2], x[4 * half + 3]);
    }
}

// The full transform, four lanes at a time: first over groups 0-3 and 4-7 (lane u holds group
// u, and output n of the four goes to row n of the intermediate array at column u), then over
// rows 0-3 and 4-7 of it (lane r holds row r, and the outputs are turned back into rows).
void idct_full(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    alignas(16) int32_t intermediate[64];
    for (int32_t groups = 0; groups < 8; groups += 4) {
        Lanes x;
        load_columns(block.values + 8 * groups, x);
        idct_1d_lanes(x);
        for (int32_t n = 0; n < 8; ++n) {
            wasm_v128_store(intermediate + 8 * n + groups, x[n]);
        }
    }
    for (int32_t rows = 0; rows < 8; rows += 4) {
        Lanes x;
        load_columns(intermediate + 8 * rows, x);
        idct_1d_lanes(x);
        for (v128_t& lane : x) {
            lane = wasm_i32x4_shr(lane, 17);
        }
        transpose4(x[0], x[1], x[2], x[3]);
        transpose4(x[4], x[5], x[6], x[7]);
        for (int32_t r = 0; r < 4; ++r) {
            int32_t* row = out + (rows + r) * stride;
            wasm_v128_store(row, x[r]);
            wasm_v128_store(row + 4, x[4 + r]);
        }
    }
}

// Most blocks carry nothing beyond their first group after quantisation: one group's transform
// then gives every row.
void idct_block_simd128(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    v128_t rest = wasm_v128_load(block.values + 8);
    for (int32_t i = 12; i < 64; i += 4) {
        rest = wasm_v128_or(rest, wasm_v128_load(block.values + i));
    }
    if (wasm_v128_any_true(rest)) {
        idct_full(block, out, stride);
        return;
    }
    int32_t y[8];
    idct_group(block.values, y);
    idct_fill_rows(y, out, stride);
}

// Summed tables: the words are looked up one by one (SIMD128 has no gather), then the vectors
// add each chroma word, spread over the two pixels it serves, to the luma words of both its
// rows, and keep the low 16 bits of every word for 2-byte pixels.
template <int32_t PixelBytes>
void convert_summed_simd128(const MacroblockPlanes& planes, const ColourTables& tables,
                            uint8_t* destination, size_t stride) {
    SummedWords words;
    look_up_summed_words(planes, tables, words);
    for (int32_t cy = 0; cy < 8; ++cy) {
        v128_t chroma[4];
        for (int32_t q = 0; q < 2; ++q) {
            const v128_t four = wasm_v128_load(words.chroma + 8 * cy + 4 * q);
            chroma[2 * q] = wasm_i32x4_shuffle(four, four, 0, 0, 1, 1);
            chroma[2 * q + 1] = wasm_i32x4_shuffle(four, four, 2, 2, 3, 3);
        }
        for (int32_t y = 2 * cy; y < 2 * cy + 2; ++y) {
            v128_t sums[4];
            for (int32_t q = 0; q < 4; ++q) {
                sums[q] = wasm_i32x4_add(wasm_v128_load(words.luma + 16 * y + 4 * q), chroma[q]);
            }
            uint8_t* row = destination + size_t(y) * stride;
            if constexpr (PixelBytes == 4) {
                for (int32_t q = 0; q < 4; ++q) {
                    wasm_v128_store(row + 16 * q, sums[q]);
                }
            } else {
                for (int32_t q = 0; q < 2; ++q) {
                    wasm_v128_store(row + 16 * q,
                                    wasm_i8x16_shuffle(sums[2 * q], sums[2 * q + 1], 0, 1, 4, 5, 8,
                                                       9, 12, 13, 16, 17, 20, 21, 24, 25, 28, 29));
                }
            }
        }
    }
}

}  // namespace

void dct_kernels_simd128(DctKernels& kernels) {
    kernels.idct_block = idct_block_simd128;
    kernels.convert_macroblock[CONVERT_SUMMED_2] = convert_summed_simd128<2>;
    kernels.convert_macroblock[CONVERT_SUMMED_4] = convert_summed_simd128<4>;
}

}  // namespace qx

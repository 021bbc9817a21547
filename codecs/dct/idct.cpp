#include "codecs/dct/idct.h"

#include <bit>

#include "codecs/dct/wrapping.h"

namespace qx {

const int32_t idct_prescale[64] = {
    8192,  5906,  6270,  6967,  8192,  10426, 15137, 29692,   // u = 0
    5906,  4258,  4520,  5023,  5906,  7517,  10913, 21407,   // u = 1
    6270,  4520,  4799,  5332,  6270,  7980,  11585, 22725,   // u = 2
    6967,  5023,  5332,  5925,  6967,  8867,  12873, 25251,   // u = 3
    8192,  5906,  6270,  6967,  8192,  10426, 15137, 29692,   // u = 4
    10426, 7517,  7980,  8867,  10426, 13270, 19266, 37791,   // u = 5
    15137, 10913, 11585, 12873, 15137, 19266, 27969, 54864,   // u = 6
    29692, 21407, 22725, 25251, 29692, 37791, 54864, 107619,  // u = 7
};

namespace {

constexpr int64_t HALF_SQRT2_FACTOR = 0x5A82799A;

int32_t nearest_int32(double value) {
    const double biased = value + IDCT_ROUNDING_BIAS;
    return static_cast<int32_t>(static_cast<uint32_t>(std::bit_cast<uint64_t>(biased)));
}

}  // namespace

int32_t half_sqrt2(int32_t v) {
    const auto upper = static_cast<int32_t>((v * HALF_SQRT2_FACTOR) >> 32);
    return wrap_add(upper, upper);
}

void idct_1d(const int32_t* x, int32_t* y) {
    const int32_t a = wrap_add(x[5], x[3]);
    const int32_t b = wrap_sub(x[5], x[3]);
    const int32_t d = wrap_add(x[1], x[7]);
    const int32_t e = wrap_sub(x[1], x[7]);
    const int32_t odd_sum = wrap_add(d, a);
    const int32_t odd_diff = wrap_sub(d, a);

    // One statement per rounding step, so that no compiler fuses a product into a sum.
    const double sum_be = static_cast<double>(b) + static_cast<double>(e);
    const double z = sum_be * IDCT_ROT_MIX;
    const double b_rot = static_cast<double>(b) * IDCT_ROT_A;
    const double e_rot = static_cast<double>(e) * IDCT_ROT_B;
    const double r1_exact = b_rot + z;
    const double r2_exact = e_rot - z;
    const int32_t r1 = nearest_int32(r1_exact);
    const int32_t r2 = nearest_int32(r2_exact);

    const int32_t h = half_sqrt2(odd_diff);
    const int32_t o0 = r1;
    const int32_t o1 = wrap_add(r1, h);
    const int32_t o2 = wrap_add(h, r2);
    const int32_t o3 = wrap_add(r2, odd_sum);

    const int32_t p = wrap_add(x[0], x[4]);
    const int32_t m = wrap_sub(x[0], x[4]);
    const int32_t s = wrap_add(x[2], x[6]);
    const int32_t t = half_sqrt2(wrap_sub(x[2], x[6]));
    const int32_t e0 = wrap_add(p, wrap_add(s, t));
    const int32_t e3 = wrap_sub(p, wrap_add(s, t));
    const int32_t e1 = wrap_add(m, t);
    const int32_t e2 = wrap_sub(m, t);

    y[0] = wrap_add(e0, o3);
    y[7] = wrap_sub(e0, o3);
    y[1] = wrap_add(e1, o2);
    y[6] = wrap_sub(e1, o2);
    y[2] = wrap_add(e2, o1);
    y[5] = wrap_sub(e2, o1);
    y[3] = wrap_add(e3, o0);
    y[4] = wrap_sub(e3, o0);
}

void idct_group(const int32_t* x, int32_t* y) {
    if ((x[1] | x[2] | x[3] | x[4] | x[5] | x[6] | x[7]) == 0) {
        for (int32_t n = 0; n < 8; ++n) {
            y[n] = x[0];
        }
    } else {
        idct_1d(x, y);
    }
}

void idct_block(const CoefficientBlock& block, int32_t* plane, int32_t column, int32_t row,
                int32_t plane_stride) {
    // First pass over the vertical frequencies of each horizontal frequency; most groups
    // carry only their first coefficient after quantisation.
    int32_t intermediate[64];
    for (int32_t u = 0; u < 8; ++u) {
        const int32_t* x = block.values + 8 * u;
        int32_t y[8];
        idct_group(x, y);
        for (int32_t n = 0; n < 8; ++n) {
            intermediate[8 * n + u] = y[n];
        }
    }
    for (int32_t r = 0; r < 8; ++r) {
        int32_t y[8];
        idct_1d(intermediate + 8 * r, y);
        int32_t* out = plane + (row + r) * plane_stride + column;
        for (int32_t n = 0; n < 8; ++n) {
            out[n] = y[n] >> 17;
        }
    }
}

bool idct_first_group_only(const CoefficientBlock& block) {
    int32_t rest = 0;
    for (int32_t i = 8; i < 64; ++i) {
        rest |= block.values[i];
    }
    return rest == 0;
}

void idct_fill_rows(const int32_t* y, int32_t* out, ptrdiff_t stride) {
    for (int32_t r = 0; r < 8; ++r) {
        const int32_t sample = y[r] >> 17;
        for (int32_t n = 0; n < 8; ++n) {
            out[r * stride + n] = sample;
        }
    }
}

void idct_block_sparse(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride) {
    if (!idct_first_group_only(block)) {
        idct_block(block, out, 0, 0, static_cast<int32_t>(stride));
        return;
    }
    int32_t y[8];
    idct_group(block.values, y);
    idct_fill_rows(y, out, stride);
}

}  // namespace qx

#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/dct/coefficient_block.h"

namespace qx {

// 8192 / (w_u * w_v) rounded, w_0 = 1, w_k = sqrt(2) cos(k pi / 16); folded into every
// dequantisation table so that the transform itself scales nothing.
extern const int32_t idct_prescale[64];

// The odd part's rotation constants are single precision; the arithmetic on them is double.
inline constexpr double IDCT_ROT_A = static_cast<double>(0.5411961078643799f);
inline constexpr double IDCT_ROT_B = static_cast<double>(1.3065630197525024f);
inline constexpr double IDCT_ROT_MIX = static_cast<double>(0.3826834261417389f);
// Adding 1.5 * 2^52 leaves the nearest integer (ties to even) in the low mantissa bits.
inline constexpr double IDCT_ROUNDING_BIAS = 6755399441055744.0;

// v / sqrt(2) from the upper half of a 64-bit product, doubled (always even).
int32_t half_sqrt2(int32_t v);

// The one-dimensional transform of eight inputs into eight outputs.
void idct_1d(const int32_t* x, int32_t* y);
// The same for a first-pass group: inputs 1..7 all zero give eight copies of input 0, which is
// exactly what the full transform gives them.
void idct_group(const int32_t* x, int32_t* y);

// Transforms `block` and writes its 8 x 8 samples into `plane` at (column, row); `plane_stride`
// samples a row.
void idct_block(const CoefficientBlock& block, int32_t* plane, int32_t column, int32_t row,
                int32_t plane_stride);

// The transform with the exact shortcut for blocks whose coefficients all lie in horizontal
// frequency 0 (most blocks carry only their DC): every second-pass row is then (y, 0, ..., 0),
// whose eight outputs are all y. 8 rows of `stride` samples at `out`.
void idct_block_sparse(const CoefficientBlock& block, int32_t* out, ptrdiff_t stride);
// True when every coefficient outside horizontal frequency 0 is zero.
bool idct_first_group_only(const CoefficientBlock& block);
// Fills row r of the 8 x 8 samples with y[r] >> 17.
void idct_fill_rows(const int32_t* y, int32_t* out, ptrdiff_t stride);

}  // namespace qx

#pragma once
#include <cstdint>

#include "codecs/dct/coefficient_block.h"

// 8192 / (w_u * w_v) rounded, w_0 = 1, w_k = sqrt(2) cos(k pi / 16); folded into every
// dequantisation table so that the transform itself scales nothing.
extern const int32_t idct_prescale[64];

// v / sqrt(2) from the upper half of a 64-bit product, doubled (always even).
int32_t half_sqrt2(int32_t v);

// The one-dimensional transform of eight inputs into eight outputs.
void idct_1d(const int32_t* x, int32_t* y);

// Transforms `block` and writes its 8 x 8 samples into `plane` at (column, row); `plane_stride`
// samples a row.
void idct_block(const CoefficientBlock& block, int32_t* plane, int32_t column, int32_t row,
                int32_t plane_stride);

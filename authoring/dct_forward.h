#pragma once
#include <cstdint>

namespace qx {

// The encoders' forward transform, in double precision from the definition of ISO/IEC 11172-2,
// scaled to the decoders' samples: samples are 8 x 8 row-major (8 y + x), coefficients are
// indexed 8 u + v with u the horizontal frequency, as the decoders hold them, and a coefficient
// divided by a level's step (the decoder's dequantisation over its prescale) is the level.
void forward_dct(const double* samples, double* coefficients);

}  // namespace qx

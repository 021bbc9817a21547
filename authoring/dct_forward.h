#pragma once
#include <cstdint>

// The encoders' transform, in double precision from the definition of ISO/IEC 11172-2. Samples
// are 8 x 8 row-major (8 y + x); coefficients are indexed 8 u + v with u the horizontal
// frequency, as the decoders hold them. The decoders show one half of the standard inverse
// transform, so a sample s is the picture value 2 s.
void forward_dct(const double* samples, double* coefficients);
void inverse_dct(const double* coefficients, double* samples);

// Quantised levels of one block for the given step of each coefficient, limited to
// -`level_limit`..`level_limit`. The coded block is reconstructed and its samples pulled back
// into `low`..`high` where ringing would push them out (the decoders wrap or clamp there).
// `reconstruction` receives the samples a decoder will show (floored).
void quantise_block(const double* samples, const double* steps, int32_t level_limit, double low,
                    double high, int32_t* levels, double* reconstruction);

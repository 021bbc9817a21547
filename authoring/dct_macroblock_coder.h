#pragma once
#include <cstdint>

#include "authoring/dct_picture.h"

// The sample range decoded blocks must keep.
struct SampleRange {
    double low;
    double high;
};

// Decoded summed-table samples must stay inside -64..63 or they wrap; the margin absorbs the
// decoder's integer transform.
inline constexpr SampleRange SUMMED_SAMPLE_RANGE = {-62.9, 62.9};

struct MacroblockLevels {
    int32_t levels[6][64];  // indexed 8 u + v, as the decoders hold coefficients
    double shown[6][64];    // the samples a decoder will show, 8 x 8 row-major
};

// Quantises the six blocks of a macroblock. With `summed_colours` the luma is also held back
// where it would carry a pixel's red, green or blue past 0..255 with its decoded chroma: the
// summed tables do not clamp, so such a pixel would wrap to the opposite colour.
MacroblockLevels quantise_macroblock(const MacroblockSamples& samples, const double* steps,
                                     int32_t level_limit, SampleRange luma, SampleRange chroma,
                                     bool summed_colours);

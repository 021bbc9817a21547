#include "authoring/dct_macroblock_coder.h"

#include <algorithm>

#include "authoring/dct_colour_model.h"
#include "authoring/dct_forward.h"

namespace {

constexpr int32_t COLOUR_PASSES = 4;
// Each of the three table fields of a component rounds on its own.
constexpr double COLOUR_MARGIN = 6;

void quantise_luma(const double (&target)[4][64], const double* steps, int32_t level_limit,
                   SampleRange range, MacroblockLevels& out) {
    for (int32_t b = 0; b < 4; ++b) {
        quantise_block(target[b], steps, level_limit, range.low, range.high, out.levels[b],
                       out.shown[b]);
    }
}

}  // namespace

MacroblockLevels quantise_macroblock(const MacroblockSamples& samples, const double* steps,
                                     int32_t level_limit, SampleRange luma, SampleRange chroma,
                                     bool summed_colours) {
    MacroblockLevels out;
    for (int32_t b = 4; b < 6; ++b) {
        quantise_block(samples.blocks[b], steps, level_limit, chroma.low, chroma.high,
                       out.levels[b], out.shown[b]);
    }
    double target[4][64];
    for (int32_t b = 0; b < 4; ++b) {
        std::copy(samples.blocks[b], samples.blocks[b] + 64, target[b]);
    }
    quantise_luma(target, steps, level_limit, luma, out);
    for (int32_t pass = 0; summed_colours && pass < COLOUR_PASSES; ++pass) {
        bool overflow = false;
        for (int32_t b = 0; b < 4; ++b) {
            for (int32_t i = 0; i < 64; ++i) {
                const int32_t row = 8 * (b >> 1) + i / 8;
                const int32_t column = 8 * (b & 1) + i % 8;
                const int32_t at = 8 * (row / 2) + column / 2;
                const auto [low, high] = summed_extremes(
                    int32_t(out.shown[b][i]), int32_t(out.shown[4][at]), int32_t(out.shown[5][at]));
                if (high > 255 - COLOUR_MARGIN) {
                    target[b][i] -= (high - 255 + COLOUR_MARGIN) / 2 + 0.25;
                    overflow = true;
                } else if (low < COLOUR_MARGIN) {
                    target[b][i] += (COLOUR_MARGIN - low) / 2 + 0.25;
                    overflow = true;
                }
            }
        }
        if (!overflow) {
            break;
        }
        quantise_luma(target, steps, level_limit, luma, out);
    }
    return out;
}

#include "authoring/dct_shown.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "codecs/dct/wrapping.h"

namespace qx {

namespace {

// The summed tables' fixed-point chroma factors, as the table builder uses them.
constexpr int32_t CB_TO_GREEN = -22550;
constexpr int32_t CB_TO_BLUE = 116129;
constexpr int32_t CR_TO_RED = 91881;
constexpr int32_t CR_TO_GREEN = -46799;
// A component that wrapped is off by far more than the tables' rounding (a few levels).
constexpr int32_t WRAP_DISTANCE = 40;

ColourTables build_shown_tables() {
    ColourTables tables;
    build_colour_tables(tables, DCT_RGB565);
    return tables;
}

// The odd level a 7-bit table index stands for: 2 i + 1 read as a signed byte.
int32_t odd_level(int32_t sample) {
    const int32_t i = sample & 0x7F;
    return i < 64 ? 2 * i + 1 : 2 * i + 1 - 256;
}

int32_t round16(int32_t s, int32_t factor) {
    return int32_t((int64_t{s} * factor + 32768) >> 16);
}

// Safe on every display: no component sum leaves 0..255, and the 5-6-5 fields' rounding does
// not carry either.
bool summed_safe(int32_t y, int32_t cb, int32_t cr) {
    int32_t levels[3];
    summed_levels(y, cb, cr, levels);
    uint8_t shown[3];
    widen_565(summed_pixel(shown_colour_tables(), y, cb, cr), shown);
    return std::all_of(levels, levels + 3,
                       [](int32_t level) { return level >= 0 && level <= 255; }) &&
           !summed_shows_wrapped(y, cb, cr, shown);
}

// Every in-range chroma pair's luma range, longest safe run of luma samples.
using LumaRanges = std::array<LumaRange, 128 * 128>;

LumaRanges build_luma_ranges() {
    LumaRanges ranges;
    for (int32_t cb = -64; cb < 64; ++cb) {
        for (int32_t cr = -64; cr < 64; ++cr) {
            LumaRange best{1, 0};
            int32_t start = -64;
            for (int32_t y = -64; y <= 64; ++y) {
                if (y < 64 && summed_safe(y, cb, cr)) {
                    continue;
                }
                if (y - 1 - start > best.high - best.low) {
                    best = {start, y - 1};
                }
                start = y + 1;
            }
            ranges[size_t(cb + 64) * 128 + size_t(cr + 64)] = best;
        }
    }
    return ranges;
}

}  // namespace

const ColourTables& shown_colour_tables() {
    static const ColourTables tables = build_shown_tables();
    return tables;
}

void summed_levels(int32_t y, int32_t cb, int32_t cr, int32_t* rgb) {
    const int32_t luma = odd_level(y) + 128;
    const int32_t blue_diff = odd_level(cb);
    const int32_t red_diff = odd_level(cr);
    rgb[0] = luma + round16(red_diff, CR_TO_RED);
    rgb[1] = luma + round16(blue_diff, CB_TO_GREEN) + round16(red_diff, CR_TO_GREEN);
    rgb[2] = luma + round16(blue_diff, CB_TO_BLUE);
}

bool summed_shows_wrapped(int32_t y, int32_t cb, int32_t cr, const uint8_t* shown) {
    int32_t levels[3];
    summed_levels(y, cb, cr, levels);
    for (int32_t c = 0; c < 3; ++c) {
        if (std::abs(std::clamp(levels[c], 0, 255) - int32_t(shown[c])) > WRAP_DISTANCE) {
            return true;
        }
    }
    return false;
}

LumaRange summed_luma_range(int32_t cb, int32_t cr) {
    static const LumaRanges ranges = build_luma_ranges();
    if (cb < -64 || cb > 63 || cr < -64 || cr > 63) {
        return {1, 0};
    }
    return ranges[size_t(cb + 64) * 128 + size_t(cr + 64)];
}

void reconstruct_macroblock(const int32_t (&levels)[6][64], const DequantTable& dequant,
                            MacroblockPlanes& planes) {
    for (int32_t b = 0; b < 6; ++b) {
        CoefficientBlock block;
        for (int32_t i = 0; i < 64; ++i) {
            block.values[i] = wrap_mul(levels[b][i], dequant.values[i]);
        }
        idct_into_macroblock(block, planes, b);
    }
}

void shown_macroblock(const MacroblockPlanes& planes, DctConversion conversion, uint8_t* rgb) {
    uint8_t pixels[256 * 2];
    convert_macroblock(planes, shown_colour_tables(), pixels, 32,
                       conversion == DctConversion::Summed ? CONVERT_SUMMED_2 : CONVERT_CHANNEL_2);
    for (int32_t i = 0; i < 256; ++i) {
        widen_565(uint32_t(pixels[2 * i]) | uint32_t(pixels[2 * i + 1]) << 8, rgb + 3 * i);
    }
}

}  // namespace qx

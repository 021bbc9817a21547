#include "codecs/dct/dct_colour_tables.h"

#include <algorithm>
#include <cmath>

#include "codecs/dct/colour_model.h"

namespace qx {

namespace {

// YCbCr-to-RGB factors in 16.16 fixed point for the summable tables.
constexpr int32_t CB_TO_GREEN = -22550;
constexpr int32_t CB_TO_BLUE = 116129;
constexpr int32_t CR_TO_RED = 91881;
constexpr int32_t CR_TO_GREEN = -46799;

// The channel tables' factors: single precision as stored movies were made with, except the
// luma factor of green, which is double.
constexpr auto RED_FACTOR = static_cast<float>(CHANNEL_RED_FACTOR);
constexpr double GREEN_FACTOR = CHANNEL_GREEN_FACTOR;
constexpr auto BLUE_FACTOR = static_cast<float>(CHANNEL_BLUE_FACTOR);
constexpr auto CB_GREEN_FACTOR = static_cast<float>(CHANNEL_CB_GREEN_FACTOR);
constexpr auto CR_GREEN_FACTOR = static_cast<float>(CHANNEL_CR_GREEN_FACTOR);

int32_t round16(int32_t s, int32_t factor) {
    return static_cast<int32_t>((static_cast<int64_t>(s) * factor + 32768) >> 16);
}

// Shifts that run past 32 bits let the bits fall away instead of being undefined.
uint32_t shift_left(uint32_t value, int32_t shift) {
    if (shift < 0 || shift >= 32) {
        return 0;
    }
    return value << shift;
}

// Component widths beyond 8 bits are not served; clamping keeps every power of two defined.
int32_t component_bits(int32_t bits) {
    return std::clamp(bits, 0, 8);
}

// The odd level that the 7-bit sample index i stands for.
int32_t summable_level(int32_t i) {
    return i < 64 ? 2 * i + 1 : 2 * i + 1 - 256;
}

struct PackedComponent {
    int32_t truncated;
    int32_t rounded;
    uint32_t mask;
};

PackedComponent pack_component(int32_t c, int32_t bits) {
    const int32_t n = component_bits(bits);
    const int32_t step = 1 << (8 - n);
    const int32_t half = n >= 8 ? 0 : 1 << (7 - n);
    const int32_t top = (1 << n) - 1;
    PackedComponent packed{c / step, 0, static_cast<uint32_t>(top)};
    packed.rounded = c >= 0 ? std::min((c + half) / step, top) : std::max((c - half) / step, -top);
    return packed;
}

void build_summable_16(ColourTables& tables, const DctPixelFormat& p) {
    auto pack = [&p](int32_t r, int32_t g, int32_t b) {
        return pack_pixel_pair(r, g, b, p.red_bits, p.green_bits, p.blue_bits, p.red_shift,
                               p.green_shift, p.blue_shift);
    };
    for (int32_t i = 0; i < 128; ++i) {
        const int32_t s = summable_level(i);
        tables.luma_table[i] = pack(s + 128, s + 128, s + 128);
        tables.cb_table[i] = pack(0, round16(s, CB_TO_GREEN), round16(s, CB_TO_BLUE));
        tables.cr_table[i] = pack(round16(s, CR_TO_RED), round16(s, CR_TO_GREEN), 0);
    }
}

uint32_t byte_field(int32_t value, int32_t shift) {
    return static_cast<uint32_t>(value & 0xFF) << shift;
}

// 8-8-8 layout: blue, green, red bytes and a guard byte that absorbs the borrows.
void build_summable_888(ColourTables& tables) {
    for (int32_t i = 0; i < 128; ++i) {
        const int32_t s = summable_level(i);
        const auto v = static_cast<uint32_t>(s + 128);
        tables.luma_table[i] = 0xFF000000u | v << 16 | v << 8 | v;

        int32_t g = round16(s, CB_TO_GREEN);
        const int32_t b = round16(s, CB_TO_BLUE);
        if (b < 0) {
            g -= 1;
        }
        int32_t r = g < 0 ? -1 : 0;
        int32_t guard = r < 0 ? -1 : 0;
        tables.cb_table[i] =
            byte_field(guard, 24) | byte_field(r, 16) | byte_field(g, 8) | byte_field(b, 0);

        r = round16(s, CR_TO_RED);
        g = round16(s, CR_TO_GREEN);
        if (g < 0) {
            r -= 1;
        }
        guard = r < 0 ? -1 : 0;
        tables.cr_table[i] = byte_field(guard, 24) | byte_field(r, 16) | byte_field(g, 8);
    }
}

// One component of a channel-table entry: truncated in the low pixel, rounded in the high one
// when the decoders write two display pixels per picture pixel.
uint32_t channel_entry(int32_t level, int32_t bits, int32_t shift, bool double_width) {
    const int32_t n = component_bits(bits);
    uint32_t entry = shift_left(static_cast<uint32_t>(level) >> (8 - n), shift);
    if (double_width) {
        const int32_t half = n >= 8 ? 0 : 1 << (7 - n);
        const int32_t rounded = std::min(level + half, 255);
        entry |= shift_left(static_cast<uint32_t>(rounded) >> (8 - n), shift + 16);
    }
    return entry;
}

int32_t channel_level(double scaled, int32_t brightness) {
    const auto x = static_cast<int64_t>(std::trunc(scaled));
    return static_cast<int32_t>(std::clamp<int64_t>(x * brightness / 100, 0, 255));
}

void build_channel_tables(ColourTables& tables, const DctPixelFormat& p) {
    for (int32_t k = 0; k < 512; ++k) {
        const int32_t d = 2 * k - 383;
        const int32_t red = channel_level(d * static_cast<double>(RED_FACTOR), p.brightness);
        const int32_t green = channel_level(d * GREEN_FACTOR, p.brightness);
        const int32_t blue = channel_level(d * static_cast<double>(BLUE_FACTOR), p.brightness);
        tables.red_table[k] = channel_entry(red, p.red_bits, p.red_shift, p.double_width);
        tables.green_table[k] = channel_entry(green, p.green_bits, p.green_shift, p.double_width);
        tables.blue_table[k] = channel_entry(blue, p.blue_bits, p.blue_shift, p.double_width);
    }
    for (int32_t v = -128; v < 128; ++v) {
        tables.cb_green_table[v & 0xFF] =
            static_cast<int32_t>(std::trunc(v * static_cast<double>(CB_GREEN_FACTOR)));
        tables.cr_green_table[v & 0xFF] =
            CHANNEL_GREEN_CENTRE +
            static_cast<int32_t>(std::trunc(v * static_cast<double>(CR_GREEN_FACTOR)));
    }
}

}  // namespace

uint32_t pack_pixel_pair(int32_t r, int32_t g, int32_t b, int32_t red_bits, int32_t green_bits,
                         int32_t blue_bits, int32_t red_shift, int32_t green_shift,
                         int32_t blue_shift) {
    PackedComponent red = pack_component(r, red_bits);
    PackedComponent green = pack_component(g, green_bits);
    PackedComponent blue = pack_component(b, blue_bits);
    if (blue.rounded < 0) {
        green.rounded -= 1;
    }
    if (green.rounded < 0) {
        red.rounded -= 1;
    }
    if (red.rounded < 0) {
        blue.truncated -= 1;
    }
    if (blue.truncated < 0) {
        green.truncated -= 1;
    }
    if (green.truncated < 0) {
        red.truncated -= 1;
    }
    auto field = [](int32_t value, const PackedComponent& c, int32_t shift) {
        return shift_left(static_cast<uint32_t>(value) & c.mask, shift);
    };
    uint32_t result =
        field(red.truncated, red, red_shift + 16) |
        field(green.truncated, green, green_shift + 16) |
        field(blue.truncated, blue, blue_shift + 16) | field(red.rounded, red, red_shift) |
        field(green.rounded, green, green_shift) | field(blue.rounded, blue, blue_shift);
    if (red_bits + green_bits + blue_bits != 16) {
        result |= 0x80008000u;
    }
    return result;
}

void build_colour_tables(ColourTables& tables, const DctPixelFormat& format) {
    if (format.colour_bits == 15 || format.colour_bits == 16) {
        build_summable_16(tables, format);
    } else {
        build_summable_888(tables);
    }
    build_channel_tables(tables, format);
}

}  // namespace qx

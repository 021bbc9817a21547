#include "tools/qx/picture_rgb.h"

#include <bit>
#include <cstddef>
#include <tuple>

namespace qx {

namespace {

uint8_t widen_component(uint32_t pixel, int32_t bits, int32_t shift) {
    if (bits <= 0) {
        return 0;
    }
    const uint32_t value = (pixel >> shift) & ((1u << bits) - 1);
    uint32_t widened = value << (8 - bits);
    for (int32_t filled = bits; filled < 8; filled += bits) {
        widened |= widened >> bits;
    }
    return static_cast<uint8_t>(widened);
}

uint32_t load_pixel(const uint8_t* bytes, int32_t pixel_bytes) {
    uint32_t pixel = 0;
    for (int32_t i = 0; i < pixel_bytes; ++i) {
        pixel |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    }
    return pixel;
}

}  // namespace

PixelLayout pixel_layout_of_masks(uint32_t red, uint32_t green, uint32_t blue, uint32_t bit_count) {
    PixelLayout layout{};
    layout.bytes = bit_count == 8 ? 1 : bit_count <= 16 ? 2 : 4;
    for (auto [mask, bits, shift] : {std::tuple{red, &layout.red_bits, &layout.red_shift},
                                     std::tuple{green, &layout.green_bits, &layout.green_shift},
                                     std::tuple{blue, &layout.blue_bits, &layout.blue_shift}}) {
        *bits = std::popcount(mask);
        *shift = mask != 0 ? std::countr_zero(mask) : 0;
    }
    return layout;
}

bool display_pixels_to_rgb(const PixelLayout& layout, const uint8_t* palette, const uint8_t* pixels,
                           uint32_t row_bytes, int32_t rows, RgbImage& picture) {
    const int32_t pixel_bytes = layout.bytes;
    picture.width = static_cast<int32_t>(row_bytes / static_cast<uint32_t>(pixel_bytes));
    picture.height = rows;
    if (picture.width == 0 || rows <= 0) {
        return false;
    }
    picture.rgb.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(rows) * 3);
    uint8_t* out = picture.rgb.data();
    for (int32_t row = 0; row < rows; ++row) {
        const uint8_t* in = pixels + static_cast<size_t>(row) * row_bytes;
        for (int32_t column = 0; column < picture.width; ++column, in += pixel_bytes) {
            const uint32_t pixel = load_pixel(in, pixel_bytes);
            if (pixel_bytes == 1) {
                *out++ = palette[3 * pixel];
                *out++ = palette[3 * pixel + 1];
                *out++ = palette[3 * pixel + 2];
            } else {
                *out++ = widen_component(pixel, layout.red_bits, layout.red_shift);
                *out++ = widen_component(pixel, layout.green_bits, layout.green_shift);
                *out++ = widen_component(pixel, layout.blue_bits, layout.blue_shift);
            }
        }
    }
    return true;
}

}  // namespace qx

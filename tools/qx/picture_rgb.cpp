#include "tools/qx/picture_rgb.h"

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

int32_t display_pixel_bytes(const PlayParams& params) {
    if (params.colour_bits == 8) {
        return 1;
    }
    return params.colour_bits <= 16 ? 2 : 4;
}

bool display_pixels_to_rgb(const PlayParams& params, const uint8_t* palette, const uint8_t* pixels,
                           uint32_t row_bytes, int32_t rows, RgbImage& picture) {
    const int32_t pixel_bytes = display_pixel_bytes(params);
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
                *out++ = widen_component(pixel, params.red_bits, params.red_shift);
                *out++ = widen_component(pixel, params.green_bits, params.green_shift);
                *out++ = widen_component(pixel, params.blue_bits, params.blue_shift);
            }
        }
    }
    return true;
}

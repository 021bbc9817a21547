#include "platform/sdl/xrgb_conversion.h"

#include <cstring>

#include "platform/sdl/present_kernels.h"

namespace qx {

namespace {

uint32_t widen(uint32_t value, int32_t bits) {
    return (value << (8 - bits)) | (value >> (2 * bits - 8));
}

uint32_t xrgb(uint32_t red, uint32_t green, uint32_t blue) {
    return (red << 16) | (green << 8) | blue;
}

}  // namespace

uint32_t xrgb_from_16bit(uint16_t pixel, int32_t depth) {
    if (depth == 15) {
        return xrgb(widen((pixel >> 10) & 0x1F, 5), widen((pixel >> 5) & 0x1F, 5),
                    widen(pixel & 0x1F, 5));
    }
    return xrgb(widen(pixel >> 11, 5), widen((pixel >> 5) & 0x3F, 6), widen(pixel & 0x1F, 5));
}

XrgbConverter::XrgbConverter(int32_t depth) : depth_(depth) {}

void XrgbConverter::convert(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                            const PaletteEntry* palette, uint32_t* out, int32_t out_pitch) const {
    uint32_t colours[256];
    if (depth_ == 8) {
        for (int32_t i = 0; i < 256; ++i) {
            colours[i] = xrgb(palette[i].red, palette[i].green, palette[i].blue);
        }
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
        auto* to = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(out) +
                                               static_cast<ptrdiff_t>(y) * out_pitch);
        switch (depth_) {
            case 8:
                for (int32_t x = 0; x < width; ++x) {
                    to[x] = colours[row[x]];
                }
                break;
            case 15:
                present_kernels().xrgb_from_555_row(row, to, width);
                break;
            case 16:
                present_kernels().xrgb_from_565_row(row, to, width);
                break;
            case 24:
                for (int32_t x = 0; x < width; ++x) {
                    const uint8_t* p = row + 3 * x;
                    to[x] = xrgb(p[2], p[1], p[0]);
                }
                break;
            default:
                for (int32_t x = 0; x < width; ++x) {
                    uint32_t pixel;
                    std::memcpy(&pixel, row + 4 * x, 4);
                    to[x] = pixel & 0xFFFFFF;
                }
                break;
        }
    }
}

}  // namespace qx

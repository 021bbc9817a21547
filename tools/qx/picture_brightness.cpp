#include "tools/qx/picture_brightness.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qx {

namespace {

// One component of a pixel, as its mask finds it.
struct Component {
    uint32_t mask;
    int shift;
    int bits;
};

Component component_of(uint32_t mask) {
    return {mask, std::countr_zero(mask), std::popcount(mask)};
}

uint32_t brighten(uint32_t pixel, const Component& c, int32_t percent) {
    const uint32_t value = (pixel & c.mask) >> c.shift;
    // Widened by repeating the top bits, so that full intensity stays full at 100 percent.
    const uint32_t wide = (value << (8 - c.bits)) | (value >> (2 * c.bits - 8));
    const uint64_t scaled =
        std::min<uint64_t>(uint64_t{wide} * static_cast<uint32_t>(percent) / 100, 255);
    return static_cast<uint32_t>(scaled >> (8 - c.bits)) << c.shift;
}

}  // namespace

bool PictureBrightness::set(const PixelFormat& format, int32_t percent) {
    percent_ = std::max(percent, 0);
    const Component red = component_of(format.red_mask);
    const Component green = component_of(format.green_mask);
    const Component blue = component_of(format.blue_mask);
    const bool served =
        format.rgb_bit_count == 16 && !(format.flags & PIXEL_FORMAT_PALETTE_INDEXED8);
    if (!served || red.bits < 4 || green.bits < 4 || blue.bits < 4 ||
        red.bits + green.bits + blue.bits > 16) {
        table_.clear();
        return false;
    }
    table_.resize(65536);
    for (uint32_t pixel = 0; pixel < 65536; ++pixel) {
        const uint32_t others = pixel & ~(red.mask | green.mask | blue.mask);
        table_[pixel] = static_cast<uint16_t>(others | brighten(pixel, red, percent_) |
                                              brighten(pixel, green, percent_) |
                                              brighten(pixel, blue, percent_));
    }
    return true;
}

void PictureBrightness::apply(uint8_t* pixels, int32_t pitch, int32_t width, int32_t rows) const {
    if (unchanged()) {
        return;
    }
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
        for (int32_t x = 0; x < width; ++x) {
            uint16_t pixel;
            std::memcpy(&pixel, row + 2 * x, 2);
            pixel = table_[pixel];
            std::memcpy(row + 2 * x, &pixel, 2);
        }
    }
}

}  // namespace qx

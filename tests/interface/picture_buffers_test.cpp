#include "interface/picture_buffers.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx {

// Every 5-6-5 value, widened by repeating each component's top bits.
TEST(RgbaWidening, EveryPixelValueRepeatsItsComponentBits) {
    std::vector<uint8_t> source(2 * 65536);
    for (uint32_t pixel = 0; pixel < 65536; ++pixel) {
        source[2 * pixel] = static_cast<uint8_t>(pixel);
        source[2 * pixel + 1] = static_cast<uint8_t>(pixel >> 8);
    }
    std::vector<uint8_t> rgba(4 * 65536);
    widen_rgb565_to_rgba(source.data(), 65536, rgba.data());
    for (uint32_t pixel = 0; pixel < 65536; ++pixel) {
        const uint32_t red = pixel >> 11, green = pixel >> 5 & 63, blue = pixel & 31;
        ASSERT_EQ(rgba[4 * pixel], red << 3 | red >> 2) << pixel;
        ASSERT_EQ(rgba[4 * pixel + 1], green << 2 | green >> 4) << pixel;
        ASSERT_EQ(rgba[4 * pixel + 2], blue << 3 | blue >> 2) << pixel;
        ASSERT_EQ(rgba[4 * pixel + 3], 255) << pixel;
    }
}

}  // namespace qx

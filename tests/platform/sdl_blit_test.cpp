#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/surface_blit.h"

namespace qx {

namespace {

struct Pixels8 {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bytes;

    Pixels8(int32_t w, int32_t h, uint8_t value = 0) : width(w), height(h), bytes(w * h, value) {}
    PixelView view() { return {bytes.data(), width, width, height, 1}; }
    uint8_t at(int32_t x, int32_t y) const { return bytes[y * width + x]; }
};

Pixels8 numbered(int32_t width, int32_t height) {
    Pixels8 pixels(width, height);
    for (int32_t i = 0; i < width * height; ++i) {
        pixels.bytes[i] = static_cast<uint8_t>(i + 1);
    }
    return pixels;
}

}  // namespace

TEST(SdlBlit, SameSizeCopiesRowsIntoPlace) {
    Pixels8 source = numbered(4, 3);
    Pixels8 dest(8, 6, 0xEE);
    blit_stretch(dest.view(), {2, 1, 6, 4}, source.view(), {0, 0, 4, 3});
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
            EXPECT_EQ(dest.at(x, y), inside ? source.at(x - 2, y - 1) : 0xEE) << x << "," << y;
        }
    }
}

TEST(SdlBlit, DoubleSizeRepeatsEveryPixelTwiceEachWay) {
    Pixels8 source = numbered(3, 2);
    Pixels8 dest(6, 4);
    blit_stretch(dest.view(), {0, 0, 6, 4}, source.view(), {0, 0, 3, 2});
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            EXPECT_EQ(dest.at(x, y), source.at(x / 2, y / 2));
        }
    }
}

TEST(SdlBlit, HalfSizeTakesThePixelUnderEachCentre) {
    Pixels8 source = numbered(4, 4);
    Pixels8 dest(2, 2);
    blit_stretch(dest.view(), {0, 0, 2, 2}, source.view(), {0, 0, 4, 4});
    EXPECT_EQ(dest.at(0, 0), source.at(1, 1));
    EXPECT_EQ(dest.at(1, 0), source.at(3, 1));
    EXPECT_EQ(dest.at(1, 1), source.at(3, 3));
}

TEST(SdlBlit, DestinationOutsideIsClippedKeepingTheMapping) {
    Pixels8 source = numbered(4, 4);
    Pixels8 dest(3, 3);
    // Starts left of and above the destination: the visible part shows the lower right.
    blit_stretch(dest.view(), {-2, -1, 2, 3}, source.view(), {0, 0, 4, 4});
    EXPECT_EQ(dest.at(0, 0), source.at(2, 1));
    EXPECT_EQ(dest.at(1, 2), source.at(3, 3));
    EXPECT_EQ(dest.at(2, 0), 0);
    // Wholly outside: nothing changes.
    Pixels8 untouched(3, 3, 7);
    blit_stretch(untouched.view(), {5, 5, 9, 9}, source.view(), {0, 0, 4, 4});
    EXPECT_EQ(untouched.bytes, std::vector<uint8_t>(9, 7));
}

TEST(SdlBlit, StretchedClippedRowsMatchTheUnclippedOnes) {
    Pixels8 source = numbered(5, 1);
    Pixels8 whole(13, 1);
    Pixels8 clipped(9, 1);
    blit_stretch(whole.view(), {0, 0, 13, 1}, source.view(), {0, 0, 5, 1});
    blit_stretch(clipped.view(), {-4, 0, 9, 1}, source.view(), {0, 0, 5, 1});
    for (int32_t x = 0; x < 9; ++x) {
        EXPECT_EQ(clipped.at(x, 0), whole.at(x + 4, 0));
    }
}

TEST(SdlBlit, FillWritesEveryByteOfWidePixelsInsideTheClip) {
    std::vector<uint8_t> bytes(4 * 2 * 3, 0);
    const PixelView view{bytes.data(), 8, 4, 2, 3};
    blit_fill(view, {3, -5, 10, 1}, 0x00CCBBAA);
    EXPECT_EQ(bytes[9], 0xAA);
    EXPECT_EQ(bytes[10], 0xBB);
    EXPECT_EQ(bytes[11], 0xCC);
    EXPECT_EQ(bytes[8], 0);
    EXPECT_EQ(bytes[12], 0);  // second row untouched
}

TEST(SdlBlit, RectInsideRefusesInvertedAndOverhangingRects) {
    EXPECT_TRUE(rect_inside({0, 0, 4, 4}, 4, 4));
    EXPECT_TRUE(rect_inside({2, 2, 2, 2}, 4, 4));
    EXPECT_FALSE(rect_inside({0, 0, 5, 4}, 4, 4));
    EXPECT_FALSE(rect_inside({-1, 0, 2, 2}, 4, 4));
    EXPECT_FALSE(rect_inside({3, 0, 2, 2}, 4, 4));
}

}  // namespace qx

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "format/video_kinds.h"
#include "tests/platform/soft_display_fixture.h"
#include "tools/qx/picture_brightness.h"
#include "tools/qx/play_picture.h"

namespace qx {

// Brightness `qx play` applies to finished pictures whose colour path leaves it out, on the
// player's own curve, and the staging through which every picture reaches the screen.
namespace {

const PixelFormat RGB565{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F};
const PixelFormat RGB555{32, PIXEL_FORMAT_RGB, 16, 0x7C00, 0x03E0, 0x001F};

TEST(PictureBrightness, FollowsThePlayersCurve) {
    PictureBrightness brightness;
    for (const PixelFormat& format : {RGB565, RGB555}) {
        ASSERT_TRUE(brightness.set(format, 100));
        for (uint32_t pixel = 0; pixel < 65536; ++pixel) {
            ASSERT_EQ(brightness.apply(static_cast<uint16_t>(pixel)), pixel) << pixel;
        }
    }
    // The player's own brightness turns (255, 128, 0), 0xFC00 at 100, into 0x7A00 at 50 and
    // 0xFE00 at 150.
    ASSERT_TRUE(brightness.set(RGB565, 50));
    EXPECT_EQ(brightness.apply(0xFC00), 0x7A00);
    EXPECT_EQ(brightness.apply(0xFFFF), 0x7BEF);
    ASSERT_TRUE(brightness.set(RGB565, 150));
    EXPECT_EQ(brightness.apply(0xFC00), 0xFE00);
    EXPECT_EQ(brightness.apply(0xFFFF), 0xFFFF);
    ASSERT_TRUE(brightness.set(RGB555, 0));
    EXPECT_EQ(brightness.apply(0xFFFF), 0x8000) << "the unused top bit is left alone";
    // Out of range percentages neither wrap nor go negative.
    ASSERT_TRUE(brightness.set(RGB565, INT32_MAX));
    EXPECT_EQ(brightness.apply(0x0821), 0xFFFF);
    ASSERT_TRUE(brightness.set(RGB565, -20));
    EXPECT_EQ(brightness.apply(0xFFFF), 0);
}

TEST(PictureBrightness, LeavesOtherDepthsAlone) {
    PictureBrightness brightness;
    EXPECT_FALSE(brightness.set(PixelFormat{32, PIXEL_FORMAT_RGB, 32, 0xFF0000, 0xFF00, 0xFF}, 50));
    EXPECT_FALSE(brightness.set(PixelFormat{32, PIXEL_FORMAT_PALETTE_INDEXED8, 8, 0, 0, 0}, 50));
    EXPECT_TRUE(brightness.unchanged());
    EXPECT_EQ(brightness.apply(0x1234), 0x1234);
}

class PlayPictureTest : public SoftDisplayTest {
  protected:
    std::vector<uint16_t> read(DisplaySurface* surface) {
        SurfaceDesc desc;
        EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
        std::vector<uint16_t> pixels(size_t{desc.width} * desc.height);
        for (uint32_t y = 0; y < desc.height; ++y) {
            std::memcpy(&pixels[size_t{y} * desc.width],
                        static_cast<uint8_t*>(desc.memory) + size_t{y} * desc.pitch,
                        2 * size_t{desc.width});
        }
        surface->unlock(nullptr);
        return pixels;
    }

    // Presents the staged picture as the frame callback does after a frame of `kind`.
    void present(PlayPicture& picture, int32_t kind) { picture.frame_presented(kind, video_); }

    VideoOutput video_{};
};

TEST_F(PlayPictureTest, BrightensOnlyWhatThePlayerLeftUnbrightened) {
    PlayPicture picture;
    ASSERT_TRUE(picture.open(*display_, *primary_, 100));
    paint_coordinates(picture.staging());
    const std::vector<uint16_t> staged = read(picture.staging());
    present(picture, VIDEO_MNB);
    EXPECT_EQ(read(primary_), staged) << "at 100 the screen shows the player's own frame";

    picture.set_brightness(50);
    std::vector<uint16_t> darker = read(primary_);
    PictureBrightness half;
    half.set(RGB565, 50);
    for (size_t i = 0; i < staged.size(); ++i) {
        ASSERT_EQ(darker[i], half.apply(staged[i])) << i;
    }
    EXPECT_EQ(read(picture.staging()), staged) << "the player's frame itself is left as it is";

    // An Rkd picture already carries the brightness the player gave it.
    present(picture, VIDEO_RKD_INTER);
    EXPECT_EQ(read(primary_), staged);
    present(picture, VIDEO_ZLE);
    EXPECT_EQ(read(primary_), darker);
}

// A brightness key re-shows the picture last presented, not the half-drawn next frame the
// player is writing into the staging surface on its own thread meanwhile.
TEST_F(PlayPictureTest, BrightnessKeysReshowThePresentedPictureNotTheOneBeingDrawn) {
    PlayPicture picture;
    ASSERT_TRUE(picture.open(*display_, *primary_, 100));
    paint_coordinates(picture.staging());
    present(picture, VIDEO_MNB);
    const std::vector<uint16_t> presented = read(primary_);
    BltEffects black;
    picture.staging()->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL | BLT_WAIT, &black);

    picture.set_brightness(50);
    picture.set_brightness(100);
    EXPECT_EQ(read(primary_), presented);
}

}  // namespace

}  // namespace qx

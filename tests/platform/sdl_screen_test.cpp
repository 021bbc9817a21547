#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/screen_buffer.h"

namespace {

using Take = ScreenBuffer::Take;

struct SdlScreen : testing::Test {
    ScreenBuffer screen{DisplayMode{4, 2, 16}};
    std::vector<uint32_t> picture;
    PresentClock::time_point retry_at{};

    void write(bool completes, uint16_t value) {
        std::unique_lock guard = screen.guard();
        auto* pixels = reinterpret_cast<uint16_t*>(screen.view().pixels);
        for (int i = 0; i < 8; ++i) {
            pixels[i] = value;
        }
        screen.note_write(completes);
    }
    Take take_after(PresentClock::duration wait) {
        return screen.take_picture(picture, PresentClock::now() + wait, retry_at);
    }
};

}  // namespace

TEST_F(SdlScreen, NothingIsTakenBeforeAnyWrite) {
    EXPECT_EQ(take_after(std::chrono::seconds(1)), Take::nothing);
}

TEST_F(SdlScreen, CompletePictureIsTakenOnceWritesSettle) {
    write(true, 0xF800);
    EXPECT_EQ(take_after(std::chrono::microseconds(0)), Take::later);
    EXPECT_LE(retry_at, PresentClock::now() + ScreenBuffer::PICTURE_SETTLE);
    ASSERT_EQ(take_after(ScreenBuffer::PICTURE_SETTLE), Take::taken);
    ASSERT_EQ(picture.size(), 8u);
    EXPECT_EQ(picture[0], 0xFF0000u);
    // Taken once only.
    EXPECT_EQ(take_after(std::chrono::seconds(1)), Take::nothing);
}

TEST_F(SdlScreen, HalfCopiedPictureWaitsUntilItIsStale) {
    write(false, 0x001F);
    EXPECT_EQ(take_after(ScreenBuffer::PICTURE_SETTLE * 2), Take::later);
    EXPECT_EQ(take_after(ScreenBuffer::PICTURE_STALE), Take::taken);
    EXPECT_EQ(picture[7], 0x0000FFu);
}

TEST_F(SdlScreen, DirectLockHoldsThePictureBackUntilUnlocked) {
    screen.hold();
    write(true, 0xFFFF);
    EXPECT_EQ(take_after(std::chrono::seconds(1)), Take::nothing);
    screen.release_hold();
    EXPECT_EQ(take_after(ScreenBuffer::PICTURE_SETTLE), Take::taken);
    EXPECT_EQ(picture[3], 0xFFFFFFu);
}

TEST(SdlScreen8, PalettisedPicturesUseTheShownPalette) {
    ScreenBuffer screen(DisplayMode{2, 1, 8});
    auto palette = std::make_shared<PaletteStore>();
    palette->entries[7] = {10, 20, 30, 0};
    screen.show_palette(palette);
    {
        std::unique_lock guard = screen.guard();
        screen.view().pixels[1] = 7;
        screen.note_write(true);
    }
    std::vector<uint32_t> picture;
    PresentClock::time_point retry_at{};
    ASSERT_EQ(screen.take_picture(picture, PresentClock::now() + std::chrono::seconds(1), retry_at),
              ScreenBuffer::Take::taken);
    EXPECT_EQ(picture[0], 0u);
    EXPECT_EQ(picture[1], 0x0A141Eu);
}

#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/screen_buffer.h"

namespace qx {

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
        return screen.take_picture(PresentClock::now() + wait, retry_at, [this] {
            picture.assign(8, 0);
            return ScreenBuffer::PictureRows{picture.data(), 16};
        });
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
    std::vector<uint32_t> picture(2);
    PresentClock::time_point retry_at{};
    ASSERT_EQ(screen.take_picture(PresentClock::now() + std::chrono::seconds(1), retry_at,
                                  [&] {
                                      return ScreenBuffer::PictureRows{picture.data(), 8};
                                  }),
              ScreenBuffer::Take::taken);
    EXPECT_EQ(picture[0], 0u);
    EXPECT_EQ(picture[1], 0x0A141Eu);
}

TEST_F(SdlScreen, PictureGoesIntoRowsOfTheTargetsPitchOnly) {
    write(true, 0x07E0);
    // Rows six words apart, as a texture may lay them out: the two words after each row stay.
    std::vector<uint32_t> rows(12, 0xDEADBEEF);
    ASSERT_EQ(screen.take_picture(PresentClock::now() + ScreenBuffer::PICTURE_SETTLE, retry_at,
                                  [&] {
                                      return ScreenBuffer::PictureRows{rows.data(), 24};
                                  }),
              Take::taken);
    const std::vector<uint32_t> expected{0x00FF00,   0x00FF00,   0x00FF00,   0x00FF00,
                                         0xDEADBEEF, 0xDEADBEEF, 0x00FF00,   0x00FF00,
                                         0x00FF00,   0x00FF00,   0xDEADBEEF, 0xDEADBEEF};
    EXPECT_EQ(rows, expected);
}

TEST_F(SdlScreen, PictureWithNowhereToGoStaysToBeTaken) {
    write(true, 0xF800);
    EXPECT_EQ(screen.take_picture(PresentClock::now() + ScreenBuffer::PICTURE_SETTLE, retry_at,
                                  [] {
                                      return ScreenBuffer::PictureRows{nullptr, 0};
                                  }),
              Take::nothing);
    EXPECT_EQ(take_after(ScreenBuffer::PICTURE_SETTLE), Take::taken);
    EXPECT_EQ(picture[0], 0xFF0000u);
}

TEST_F(SdlScreen, LostPictureIsTakenAgainFromTheFrameBuffer) {
    write(true, 0x001F);
    ASSERT_EQ(take_after(ScreenBuffer::PICTURE_SETTLE), Take::taken);
    picture.clear();
    screen.show_again();
    ASSERT_EQ(take_after(std::chrono::microseconds(0)), Take::taken);
    EXPECT_EQ(picture[5], 0x0000FFu);
}

}  // namespace qx

#include <gtest/gtest.h>

#include <array>

#include "platform/soft/soft_backend.h"
#include "tests/platform/soft_display_fixture.h"

namespace qx {

namespace {

class SoftDisplayPaletteTest : public SoftDisplayTest {
  protected:
    SoftDisplayPaletteTest() : SoftDisplayTest(indexed()) {}

    static SoftBackendConfig indexed() {
        SoftBackendConfig config;
        config.pixel_format = SOFT_PIXELS_INDEXED8;
        return config;
    }

    DisplayPalette* make_palette(uint8_t red) {
        std::array<PaletteEntry, 256> entries{};
        entries[1] = {red, 2, 3, 0};
        DisplayPalette* palette = nullptr;
        EXPECT_EQ(
            display_->create_palette(PALETTE_8BIT | PALETTE_ALLOW_256, entries.data(), &palette),
            PLATFORM_OK);
        return palette;
    }
};

TEST_F(SoftDisplayPaletteTest, EntriesAreSetAndReadWithinTheirRange) {
    DisplayPalette* palette = make_palette(9);
    EXPECT_EQ(soft_.palette_flags(), std::vector<uint32_t>{0x44});
    std::array<PaletteEntry, 256> read{};
    ASSERT_EQ(palette->get_entries(0, 0, 256, read.data()), PLATFORM_OK);
    EXPECT_EQ(read[1].red, 9);
    EXPECT_EQ(read[1].blue, 3);
    const std::array<PaletteEntry, 2> last{{{10, 20, 30, 0}, {40, 50, 60, 0}}};
    ASSERT_EQ(palette->set_entries(0, 254, 2, last.data()), PLATFORM_OK);
    ASSERT_EQ(palette->get_entries(0, 255, 1, read.data()), PLATFORM_OK);
    EXPECT_EQ(read[0].green, 50);
    EXPECT_EQ(palette->set_entries(0, 255, 2, last.data()), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(palette->set_entries(0, 256, 0, last.data()), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(palette->set_entries(0, 0, 0xFFFFFFFFu, last.data()), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(palette->get_entries(0, 1, 256, read.data()), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(soft_.counters().set_entries_calls, 4);
    palette->release();
}

TEST_F(SoftDisplayPaletteTest, CreationNeedsEightBitEntries) {
    DisplayPalette* palette = nullptr;
    EXPECT_EQ(display_->create_palette(PALETTE_8BIT, nullptr, &palette), PLATFORM_INVALID_ARGUMENT);
    std::array<PaletteEntry, 256> entries{};
    EXPECT_EQ(display_->create_palette(PALETTE_ALLOW_256, entries.data(), &palette),
              PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(palette, nullptr);
    EXPECT_EQ(soft_.counters().live_palettes, 0);
}

TEST_F(SoftDisplayPaletteTest, SurfaceKeepsItsPaletteUntilReplaced) {
    DisplayPalette* first = make_palette(11);
    ASSERT_EQ(primary_->set_palette(first), PLATFORM_OK);
    first->release();  // as the player leaves it: attached, its own reference gone
    EXPECT_EQ(soft_.counters().live_palettes, 1);
    SoftSurfaceImage image = soft_.surface_image(primary_);
    ASSERT_EQ(image.palette.size(), 256u);
    EXPECT_EQ(image.palette[1].red, 11);

    DisplayPalette* second = make_palette(12);
    ASSERT_EQ(primary_->set_palette(second), PLATFORM_OK);
    EXPECT_EQ(soft_.counters().live_palettes, 1);  // the first went with its last reference
    EXPECT_EQ(soft_.surface_image(primary_).palette[1].red, 12);
    ASSERT_EQ(primary_->set_palette(second), PLATFORM_OK);  // again: no reference lost
    second->release();
    EXPECT_EQ(soft_.counters().live_palettes, 1);
    ASSERT_EQ(primary_->set_palette(nullptr), PLATFORM_OK);
    EXPECT_EQ(soft_.counters().live_palettes, 0);
    EXPECT_TRUE(soft_.surface_image(primary_).palette.empty());
}

TEST_F(SoftDisplayPaletteTest, PalettesLeftAttachedEndWithTheDisplay) {
    DisplayPalette* palette = make_palette(1);
    ASSERT_EQ(primary_->set_palette(palette), PLATFORM_OK);
    DisplayPalette* unattached = make_palette(2);
    (void)unattached;
    primary_->release();
    EXPECT_EQ(soft_.counters().live_palettes, 2);
    display_->release();
    display_ = nullptr;
    const SoftCounters counters = soft_.counters();
    EXPECT_EQ(counters.live_palettes, 0);
    EXPECT_EQ(counters.live_surfaces, 0);
}

TEST(SoftDisplayPalette, OnlyPalettisedSurfacesTakeAPalette) {
    SoftBackend soft;
    Display* display = nullptr;
    ASSERT_EQ(soft.create_display(&display), PLATFORM_OK);
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS;
    desc.caps = SURFACE_PRIMARY;
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(display->create_surface(desc, &primary), PLATFORM_OK);
    std::array<PaletteEntry, 256> entries{};
    DisplayPalette* palette = nullptr;
    ASSERT_EQ(display->create_palette(0x44, entries.data(), &palette), PLATFORM_OK);
    EXPECT_EQ(primary->set_palette(palette), PLATFORM_INVALID_ARGUMENT);
    palette->release();
    EXPECT_EQ(soft.counters().live_palettes, 0);
    display->release();
}

}  // namespace

}  // namespace qx

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/soft/soft_backend.h"
#include "tests/platform/soft_display_fixture.h"

namespace qx {

namespace {

TEST_F(SoftDisplayTest, PrimaryHasTheModeSizeAndIsVisibleToTests) {
    SurfaceDesc desc;
    ASSERT_EQ(primary_->get_surface_desc(desc), PLATFORM_OK);
    EXPECT_EQ(desc.width, 640u);
    EXPECT_EQ(desc.height, 480u);
    EXPECT_EQ(desc.pitch, 1280);
    EXPECT_EQ(desc.memory, nullptr);
    EXPECT_EQ(soft_.primary_surface(), primary_);

    const BltEffects effects{8, 0xBEEF};
    ASSERT_EQ(primary_->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL | BLT_WAIT, &effects),
              PLATFORM_OK);
    const SoftSurfaceImage image = soft_.surface_image(primary_);
    ASSERT_EQ(image.pixels.size(), 640u * 480u * 2u);
    EXPECT_EQ(image.pixel(0, 0), 0xBEEFu);
    EXPECT_EQ(image.pixel(639, 479), 0xBEEFu);
}

TEST_F(SoftDisplayTest, SecondPrimaryIsRefusedWhileTheFirstLives) {
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS;
    desc.caps = SURFACE_PRIMARY;
    DisplaySurface* second = nullptr;
    EXPECT_EQ(display_->create_surface(desc, &second), PLATFORM_FAILED);
    EXPECT_EQ(second, nullptr);
}

TEST_F(SoftDisplayTest, DisplayModeSizesLaterPrimaries) {
    primary_->release();
    primary_ = nullptr;
    ASSERT_EQ(display_->set_display_mode(320, 200, 16), PLATFORM_OK);
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(display_->create_surface(flipping_primary_desc(), &primary), PLATFORM_OK);
    SurfaceDesc desc;
    ASSERT_EQ(primary->get_surface_desc(desc), PLATFORM_OK);
    EXPECT_EQ(desc.width, 320u);
    EXPECT_EQ(desc.height, 200u);
    const SoftCounters counters = soft_.counters();
    EXPECT_EQ(counters.mode_width, 320u);
    EXPECT_EQ(counters.mode_bits_per_pixel, 16u);
    EXPECT_EQ(display_->set_display_mode(0, 200, 16), PLATFORM_INVALID_ARGUMENT);
}

TEST_F(SoftDisplayTest, OffscreenSurfacesRecordTheirCaps) {
    DisplaySurface* video_memory = nullptr;
    DisplaySurface* system_memory = nullptr;
    ASSERT_EQ(display_->create_surface(offscreen_desc(320, 240, 0x40), &video_memory), PLATFORM_OK);
    ASSERT_EQ(display_->create_surface(offscreen_desc(640, 240, 0x840), &system_memory),
              PLATFORM_OK);
    const std::vector<SoftSurfaceRecord> made = soft_.surfaces_created();
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made[0].caps, SURFACE_PRIMARY);
    EXPECT_EQ(made[1].surface, video_memory);
    EXPECT_EQ(made[1].caps, 0x40u);
    EXPECT_EQ(made[1].width, 320u);
    EXPECT_EQ(made[2].caps, 0x840u);
    EXPECT_EQ(made[2].width, 640u);
    EXPECT_EQ(made[2].desc_size, 108u);
    EXPECT_EQ(made[2].desc_flags, SURFACE_DESC_CAPS | SURFACE_DESC_HEIGHT | SURFACE_DESC_WIDTH);
    SurfaceDesc desc;
    ASSERT_EQ(system_memory->get_surface_desc(desc), PLATFORM_OK);
    EXPECT_EQ(desc.caps, 0x840u);
    EXPECT_EQ(desc.height, 240u);
    EXPECT_EQ(soft_.counters().live_surfaces, 3);
    video_memory->release();
    system_memory->release();
    EXPECT_EQ(soft_.counters().live_surfaces, 1);
}

TEST_F(SoftDisplayTest, UnusableSurfaceRequestsAreRefused) {
    DisplaySurface* surface = nullptr;
    EXPECT_EQ(display_->create_surface(offscreen_desc(0, 240, 0x40), &surface),
              PLATFORM_INVALID_ARGUMENT);
    SurfaceDesc no_size = offscreen_desc(320, 240, 0x40);
    no_size.flags = SURFACE_DESC_CAPS;
    EXPECT_EQ(display_->create_surface(no_size, &surface), PLATFORM_INVALID_ARGUMENT);
    // A frame header can ask for 65,535 x 65,535; that is refused, not allocated.
    EXPECT_EQ(display_->create_surface(offscreen_desc(65535, 65535, 0x40), &surface),
              PLATFORM_OUT_OF_MEMORY);
    EXPECT_EQ(display_->create_surface(offscreen_desc(8192, 8192, 0x40), &surface),
              PLATFORM_OUT_OF_MEMORY);
    EXPECT_EQ(surface, nullptr);
    EXPECT_EQ(soft_.counters().live_surfaces, 1);
}

TEST_F(SoftDisplayTest, FlippingPrimaryGivesItsBackBuffer) {
    primary_->release();
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(display_->create_surface(flipping_primary_desc(), &primary), PLATFORM_OK);
    primary_ = primary;
    DisplaySurface* back = nullptr;
    ASSERT_EQ(primary->get_attached_surface(SURFACE_BACK_BUFFER, &back), PLATFORM_OK);
    ASSERT_NE(back, nullptr);
    EXPECT_NE(back, primary);
    SurfaceDesc desc;
    ASSERT_EQ(back->get_surface_desc(desc), PLATFORM_OK);
    EXPECT_EQ(desc.width, 640u);
    EXPECT_NE(desc.caps & SURFACE_BACK_BUFFER, 0u);
    EXPECT_EQ(soft_.counters().live_surfaces, 2);
    DisplaySurface* none = nullptr;
    EXPECT_EQ(back->get_attached_surface(SURFACE_BACK_BUFFER, &none), PLATFORM_FAILED);
    // The primary holds the back buffer; the caller's reference keeps it beyond the primary.
    primary->release();
    primary_ = nullptr;
    EXPECT_EQ(soft_.counters().live_surfaces, 1);
    back->release();
    EXPECT_EQ(soft_.counters().live_surfaces, 0);
}

TEST_F(SoftDisplayTest, ReleasingTheDisplayReleasesEverythingMadeOnIt) {
    offscreen(64, 64);  // never released by its maker
    DisplayPalette* palette = nullptr;
    std::vector<PaletteEntry> entries(256, PaletteEntry{});
    ASSERT_EQ(display_->create_palette(PALETTE_8BIT | PALETTE_ALLOW_256, entries.data(), &palette),
              PLATFORM_OK);
    SoftCounters counters = soft_.counters();
    EXPECT_EQ(counters.live_displays, 1);
    EXPECT_EQ(counters.live_surfaces, 2);
    EXPECT_EQ(counters.live_palettes, 1);
    display_->release();
    display_ = nullptr;
    counters = soft_.counters();
    EXPECT_EQ(counters.live_displays, 0);
    EXPECT_EQ(counters.live_surfaces, 0);
    EXPECT_EQ(counters.live_palettes, 0);
    EXPECT_EQ(soft_.primary_surface(), nullptr);
    EXPECT_TRUE(soft_.surface_image(primary_).pixels.empty());
}

TEST_F(SoftDisplayTest, DisplayReleaseTakesAFlippingChainStillHeldByTheHost) {
    primary_->release();
    ASSERT_EQ(display_->create_surface(flipping_primary_desc(), &primary_), PLATFORM_OK);
    DisplaySurface* back = nullptr;
    ASSERT_EQ(primary_->get_attached_surface(SURFACE_BACK_BUFFER, &back), PLATFORM_OK);
    // The host releases the primary but never its back buffer.
    primary_->release();
    display_->release();
    display_ = nullptr;
    EXPECT_EQ(soft_.counters().live_surfaces, 0);
}

TEST_F(SoftDisplayTest, LockGivesPackedRowsWithoutExtraPitch) {
    DisplaySurface* surface = offscreen(10, 4);
    SurfaceDesc desc;
    ASSERT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
    EXPECT_EQ(desc.pitch, 20);
    EXPECT_NE(desc.memory, nullptr);
    EXPECT_EQ(desc.pixel_format.rgb_bit_count, 16u);
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_BUSY);
    EXPECT_EQ(surface->blt(nullptr, primary_, nullptr, BLT_WAIT, nullptr), DISPLAY_SURFACE_BUSY);
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_OK);
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_INVALID_ARGUMENT);
    const DisplayRect part{2, 1, 4, 3};
    ASSERT_EQ(surface->lock(&part, desc, LOCK_WAIT), PLATFORM_OK);
    SurfaceDesc whole;
    ASSERT_EQ(surface->unlock(nullptr), PLATFORM_OK);
    ASSERT_EQ(surface->lock(nullptr, whole, LOCK_WAIT), PLATFORM_OK);
    EXPECT_EQ(static_cast<uint8_t*>(desc.memory) - static_cast<uint8_t*>(whole.memory), 20 + 4);
    ASSERT_EQ(surface->unlock(nullptr), PLATFORM_OK);
    const DisplayRect outside{8, 0, 11, 1};
    EXPECT_EQ(surface->lock(&outside, desc, LOCK_WAIT), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(soft_.counters().surface_locks, 5);
    EXPECT_EQ(soft_.counters().surface_unlocks, 4);
}

TEST_F(SoftDisplayTest, LostSurfaceAnswersLostUntilRestored) {
    DisplaySurface* surface = offscreen(8, 8);
    paint_coordinates(surface);
    soft_.lose_surface(surface);
    SurfaceDesc desc;
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(primary_->blt(nullptr, surface, nullptr, BLT_WAIT, nullptr), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(surface->blt(nullptr, primary_, nullptr, BLT_WAIT, nullptr), DISPLAY_SURFACE_LOST);
    ASSERT_EQ(surface->restore(), PLATFORM_OK);
    ASSERT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
    // What the surface held went with the loss.
    EXPECT_EQ(static_cast<uint8_t*>(desc.memory)[2 * 9], 0);
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_OK);

    soft_.faults().surface_lost_on_lock = 1;
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_LOST);
    soft_.faults().surface_restore = 1;
    EXPECT_EQ(surface->restore(), PLATFORM_FAILED);
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(surface->restore(), PLATFORM_OK);
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_OK);

    soft_.lose_all_surfaces();
    EXPECT_EQ(primary_->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(soft_.counters().surface_restores, 3);
}

class SoftDisplayPitchTest : public SoftDisplayTest {
  protected:
    SoftDisplayPitchTest() : SoftDisplayTest(padded()) {}
    static SoftBackendConfig padded() {
        SoftBackendConfig config;
        config.extra_pitch = 24;
        return config;
    }
};

TEST_F(SoftDisplayPitchTest, LockReportsTheLargerPitchAndBlitsHonourIt) {
    DisplaySurface* surface = offscreen(10, 4);
    SurfaceDesc desc;
    ASSERT_EQ(surface->get_surface_desc(desc), PLATFORM_OK);
    EXPECT_EQ(desc.pitch, 44);
    paint_coordinates(surface);
    const DisplayRect source{0, 0, 10, 4};
    const DisplayRect dest{100, 50, 110, 54};
    ASSERT_EQ(primary_->blt(&dest, surface, &source, BLT_WAIT, nullptr), PLATFORM_OK);
    const SoftSurfaceImage image = soft_.surface_image(primary_);
    EXPECT_EQ(image.pixel(100, 50), 0u);
    EXPECT_EQ(image.pixel(109, 53), 9u + 16u * 3u);
    EXPECT_EQ(image.pixel(110, 53), 0u);
    EXPECT_EQ(soft_.surface_image(surface).pixels.size(), 10u * 4u * 2u);
}

TEST_F(SoftDisplayTest, BltCopiesOneToOneAndRecordsTheCall) {
    DisplaySurface* source = offscreen(16, 8);
    paint_coordinates(source);
    const DisplayRect from{4, 2, 8, 6};
    const DisplayRect to{20, 30, 24, 34};
    ASSERT_EQ(primary_->blt(&to, source, &from, BLT_WAIT, nullptr), PLATFORM_OK);
    const SoftSurfaceImage image = soft_.surface_image(primary_);
    EXPECT_EQ(image.pixel(20, 30), 4u + 16u * 2u);
    EXPECT_EQ(image.pixel(23, 33), 7u + 16u * 5u);
    EXPECT_EQ(image.pixel(24, 33), 0u);
    EXPECT_EQ(image.pixel(20, 34), 0u);
    const std::vector<SoftBltRecord> blts = soft_.blts();
    ASSERT_EQ(blts.size(), 1u);
    EXPECT_EQ(blts[0].target, primary_);
    EXPECT_EQ(blts[0].source, source);
    EXPECT_EQ(blts[0].dest.left, 20);
    EXPECT_EQ(blts[0].source_rect.right, 8);
    EXPECT_EQ(blts[0].flags, BLT_WAIT);
    EXPECT_EQ(blts[0].result, PLATFORM_OK);
    soft_.clear_logs();
    EXPECT_TRUE(soft_.blts().empty());
    EXPECT_EQ(soft_.counters().blts, 1);
}

TEST_F(SoftDisplayTest, BltStretchesByNearestNeighbour) {
    DisplaySurface* source = offscreen(4, 2);
    paint_coordinates(source);
    // Twice as wide, every row on two destination rows: the scan-line doubling of a frame.
    const DisplayRect wide{0, 0, 8, 4};
    ASSERT_EQ(primary_->blt(&wide, source, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    SoftSurfaceImage image = soft_.surface_image(primary_);
    const uint32_t doubled_row[8] = {0, 0, 1, 1, 2, 2, 3, 3};
    for (uint32_t x = 0; x < 8; ++x) {
        EXPECT_EQ(image.pixel(x, 0), doubled_row[x]);
        EXPECT_EQ(image.pixel(x, 1), doubled_row[x]);
        EXPECT_EQ(image.pixel(x, 3), doubled_row[x] + 16u);
    }
    // Shrinking to half takes every other source pixel, starting with the first.
    DisplaySurface* big = offscreen(8, 8);
    paint_coordinates(big);
    const DisplayRect half{0, 10, 4, 14};
    ASSERT_EQ(primary_->blt(&half, big, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    image = soft_.surface_image(primary_);
    EXPECT_EQ(image.pixel(1, 10), 2u);
    EXPECT_EQ(image.pixel(3, 13), 6u + 16u * 6u);
    // Three source columns over five: 0 0 1 1 2.
    const DisplayRect three{0, 0, 3, 1};
    const DisplayRect five{0, 20, 5, 21};
    ASSERT_EQ(primary_->blt(&five, big, &three, BLT_WAIT, nullptr), PLATFORM_OK);
    image = soft_.surface_image(primary_);
    const uint32_t five_columns[5] = {0, 0, 1, 1, 2};
    for (uint32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(image.pixel(x, 20), five_columns[x]);
    }
}

TEST_F(SoftDisplayTest, BltClipsToTheDestinationWithoutShiftingThePicture) {
    DisplaySurface* source = offscreen(8, 8);
    paint_coordinates(source);
    // Hanging over the top-left corner: what lands on (0, 0) is source pixel (3, 2).
    const DisplayRect corner{-3, -2, 5, 6};
    ASSERT_EQ(primary_->blt(&corner, source, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    SoftSurfaceImage image = soft_.surface_image(primary_);
    EXPECT_EQ(image.pixel(0, 0), 3u + 16u * 2u);
    EXPECT_EQ(image.pixel(4, 5), 7u + 16u * 7u);
    EXPECT_EQ(image.pixel(5, 5), 0u);
    // Stretched and hanging over the bottom-right corner.
    const DisplayRect far{636, 476, 652, 492};
    ASSERT_EQ(primary_->blt(&far, source, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    image = soft_.surface_image(primary_);
    EXPECT_EQ(image.pixel(636, 476), 0u);
    EXPECT_EQ(image.pixel(639, 479), 1u + 16u * 1u);
    // Larger than the surface on every side; a destination wholly outside draws nothing.
    const DisplayRect huge{-1000, -1000, 2000, 2000};
    EXPECT_EQ(primary_->blt(&huge, source, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    const DisplayRect away{700, 0, 800, 10};
    EXPECT_EQ(primary_->blt(&away, source, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    const DisplayRect extreme{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(primary_->blt(&extreme, source, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
}

TEST_F(SoftDisplayTest, BltRefusesBadSourcesAndEmptyRectangles) {
    DisplaySurface* source = offscreen(8, 8);
    const DisplayRect beyond{0, 0, 9, 8};
    EXPECT_EQ(primary_->blt(nullptr, source, &beyond, BLT_WAIT, nullptr),
              PLATFORM_INVALID_ARGUMENT);
    const DisplayRect empty{4, 4, 4, 8};
    EXPECT_EQ(primary_->blt(&empty, source, nullptr, BLT_WAIT, nullptr), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(primary_->blt(nullptr, source, &empty, BLT_WAIT, nullptr), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(primary_->blt(nullptr, nullptr, nullptr, BLT_WAIT, nullptr),
              PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(primary_->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL, nullptr),
              PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(soft_.blts().back().result, PLATFORM_INVALID_ARGUMENT);
}

TEST_F(SoftDisplayTest, BltWithinOneSurfaceReadsTheOriginal) {
    DisplaySurface* surface = offscreen(8, 1);
    paint_coordinates(surface);
    const DisplayRect from{0, 0, 6, 1};
    const DisplayRect to{2, 0, 8, 1};
    ASSERT_EQ(surface->blt(&to, surface, &from, BLT_WAIT, nullptr), PLATFORM_OK);
    const SoftSurfaceImage image = soft_.surface_image(surface);
    const uint32_t expected[8] = {0, 1, 0, 1, 2, 3, 4, 5};
    for (uint32_t x = 0; x < 8; ++x) {
        EXPECT_EQ(image.pixel(x, 0), expected[x]);
    }
}

TEST_F(SoftDisplayTest, ColourFillIsClippedAndRecorded) {
    const BltEffects effects{8, 0x1234};
    const DisplayRect rect{-5, 470, 3, 490};
    ASSERT_EQ(primary_->blt(&rect, nullptr, nullptr, BLT_COLOUR_FILL | BLT_WAIT, &effects),
              PLATFORM_OK);
    const SoftSurfaceImage image = soft_.surface_image(primary_);
    EXPECT_EQ(image.pixel(0, 470), 0x1234u);
    EXPECT_EQ(image.pixel(2, 479), 0x1234u);
    EXPECT_EQ(image.pixel(3, 479), 0u);
    EXPECT_EQ(image.pixel(0, 469), 0u);
    const SoftBltRecord record = soft_.blts().back();
    EXPECT_EQ(record.source, nullptr);
    EXPECT_EQ(record.fill_colour, 0x1234u);
    EXPECT_EQ(record.flags, BLT_COLOUR_FILL | BLT_WAIT);
}

TEST_F(SoftDisplayTest, VerticalBlankReturnsAtOnceAndIsCounted) {
    EXPECT_EQ(display_->wait_for_vertical_blank(WAIT_VERTICAL_BLANK_BEGIN), PLATFORM_OK);
    EXPECT_EQ(display_->wait_for_vertical_blank(WAIT_VERTICAL_BLANK_BEGIN), PLATFORM_OK);
    EXPECT_EQ(soft_.counters().vertical_blank_waits, 2);
}

TEST_F(SoftDisplayTest, CooperativeLevelIsRecorded) {
    EXPECT_EQ(display_->set_cooperative_level(nullptr, 0x51), PLATFORM_OK);
    EXPECT_EQ(soft_.counters().display_cooperative_flags, 0x51u);
    EXPECT_EQ(display_->restore_display_mode(), PLATFORM_OK);
    EXPECT_EQ(soft_.counters().restore_display_mode_calls, 1);
}

struct FormatCase {
    SoftPixelFormat format;
    uint32_t bits;
    uint32_t red;
    uint32_t green;
    uint32_t blue;
    uint32_t flags;
};

class SoftDisplayFormatTest : public ::testing::TestWithParam<FormatCase> {};

// A 3 x 2 off-screen surface on a display of a backend of its own.
struct LoneSurface {
    explicit LoneSurface(const SoftBackendConfig& config) : soft(config) {
        if (soft.create_display(&display) == PLATFORM_OK) {
            display->create_surface(offscreen_desc(3, 2, 0x40), &surface);
        }
    }
    ~LoneSurface() {
        if (display != nullptr) {
            display->release();
        }
    }
    SoftBackend soft;
    Display* display = nullptr;
    DisplaySurface* surface = nullptr;
};

TEST_P(SoftDisplayFormatTest, SurfacesDescribeTheConfiguredFormat) {
    const FormatCase& expected = GetParam();
    SoftBackendConfig config;
    config.pixel_format = expected.format;
    LoneSurface lone(config);
    DisplaySurface* surface = lone.surface;
    ASSERT_NE(surface, nullptr);
    PixelFormat format;
    ASSERT_EQ(surface->get_pixel_format(format), PLATFORM_OK);
    EXPECT_EQ(format.size, 32u);
    EXPECT_EQ(format.flags, expected.flags);
    EXPECT_EQ(format.rgb_bit_count, expected.bits);
    EXPECT_EQ(format.red_mask, expected.red);
    EXPECT_EQ(format.green_mask, expected.green);
    EXPECT_EQ(format.blue_mask, expected.blue);
    SurfaceDesc desc;
    ASSERT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
    EXPECT_EQ(desc.pitch, static_cast<int32_t>(3 * expected.bits / 8));
    EXPECT_EQ(desc.pixel_format.rgb_bit_count, expected.bits);
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_OK);
    const BltEffects effects{8, 0xA1B2C3D4};
    ASSERT_EQ(surface->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL, &effects), PLATFORM_OK);
    const uint32_t kept =
        expected.bits == 32 ? 0xA1B2C3D4 : 0xA1B2C3D4 & ((1u << expected.bits) - 1);
    EXPECT_EQ(lone.soft.surface_image(surface).pixel(2, 1), kept);
}

TEST(SoftDisplayFormat, DescribedFormatIsReportedOverTheStoredOne) {
    SoftBackendConfig config;
    config.pixel_format = SOFT_PIXELS_888;
    PixelFormat odd{};
    odd.rgb_bit_count = 32;
    odd.red_mask = 0x3FF00000;
    config.described_pixel_format = odd;
    LoneSurface lone(config);
    DisplaySurface* surface = lone.surface;
    ASSERT_NE(surface, nullptr);
    PixelFormat format;
    ASSERT_EQ(surface->get_pixel_format(format), PLATFORM_OK);
    EXPECT_EQ(format.red_mask, 0x3FF00000u);
    SurfaceDesc desc;
    ASSERT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
    EXPECT_EQ(desc.pixel_format.red_mask, 0x3FF00000u);
    EXPECT_EQ(desc.pitch, 3 * 4) << "the pixels are stored as configured";
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoftDisplayFormatTest,
    ::testing::Values(FormatCase{SOFT_PIXELS_565, 16, 0xF800, 0x07E0, 0x001F, PIXEL_FORMAT_RGB},
                      FormatCase{SOFT_PIXELS_555, 16, 0x7C00, 0x03E0, 0x001F, PIXEL_FORMAT_RGB},
                      FormatCase{SOFT_PIXELS_888, 32, 0xFF0000, 0xFF00, 0xFF, PIXEL_FORMAT_RGB},
                      FormatCase{SOFT_PIXELS_INDEXED8, 8, 0, 0, 0,
                                 PIXEL_FORMAT_RGB | PIXEL_FORMAT_PALETTE_INDEXED8}));

}  // namespace

}  // namespace qx

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_display.h"
#include "platform/sdl/xrgb_conversion.h"

namespace qx {

namespace {

struct DisplayFixture : testing::Test {
    SdlBackend backend{false};
    Display* display = nullptr;

    void SetUp() override { ASSERT_EQ(backend.create_display(&display), PLATFORM_OK); }
    void TearDown() override {
        if (display) {
            display->release();
        }
    }

    DisplaySurface* primary(uint32_t back_buffers) {
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_BACK_BUFFER_COUNT;
        desc.caps = SURFACE_PRIMARY | SURFACE_FLIP | SURFACE_COMPLEX;
        desc.back_buffer_count = back_buffers;
        DisplaySurface* surface = nullptr;
        EXPECT_EQ(display->create_surface(desc, &surface), PLATFORM_OK);
        return surface;
    }

    DisplaySurface* offscreen(uint32_t width, uint32_t height) {
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_WIDTH | SURFACE_DESC_HEIGHT;
        desc.caps = SURFACE_OFFSCREEN_PLAIN | SURFACE_SYSTEM_MEMORY;
        desc.width = width;
        desc.height = height;
        DisplaySurface* surface = nullptr;
        EXPECT_EQ(display->create_surface(desc, &surface), PLATFORM_OK);
        return surface;
    }
};

using SdlDisplay16 = DisplayFixture;

}  // namespace

TEST_F(SdlDisplay16, ModeGivesThePixelFormatsThePlayerReads) {
    ASSERT_EQ(display->set_display_mode(640, 480, 16), PLATFORM_OK);
    DisplaySurface* surface = primary(1);
    SurfaceDesc desc;
    ASSERT_EQ(surface->get_surface_desc(desc), PLATFORM_OK);
    EXPECT_EQ(desc.width, 640u);
    EXPECT_EQ(desc.height, 480u);
    EXPECT_TRUE(desc.caps & SURFACE_PRIMARY);
    PixelFormat format;
    surface->get_pixel_format(format);
    EXPECT_EQ(format.rgb_bit_count, 16u);
    EXPECT_EQ(format.red_mask, 0xF800u);
    EXPECT_EQ(format.green_mask, 0x07E0u);
    EXPECT_EQ(format.blue_mask, 0x001Fu);
    surface->release();

    ASSERT_EQ(display->set_display_mode(320, 200, 8), PLATFORM_OK);
    surface = primary(0);
    surface->get_pixel_format(format);
    EXPECT_EQ(format.rgb_bit_count, 8u);
    EXPECT_TRUE(format.flags & PIXEL_FORMAT_PALETTE_INDEXED8);
    surface->release();

    ASSERT_EQ(display->set_display_mode(320, 200, 32), PLATFORM_OK);
    surface = primary(0);
    surface->get_pixel_format(format);
    EXPECT_EQ(format.rgb_bit_count, 32u);
    EXPECT_EQ(format.red_mask, 0xFF0000u);
    surface->release();
}

TEST_F(SdlDisplay16, UnmakeableModesAndSurfacesAreRefused) {
    EXPECT_NE(display->set_display_mode(640, 480, 12), PLATFORM_OK);
    EXPECT_NE(display->set_display_mode(0, 480, 16), PLATFORM_OK);
    EXPECT_NE(display->set_display_mode(100000, 480, 16), PLATFORM_OK);
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_WIDTH | SURFACE_DESC_HEIGHT;
    desc.caps = SURFACE_OFFSCREEN_PLAIN;
    desc.width = 0x80000000u;
    desc.height = 16;
    DisplaySurface* surface = reinterpret_cast<DisplaySurface*>(1);
    EXPECT_NE(display->create_surface(desc, &surface), PLATFORM_OK);
    EXPECT_EQ(surface, nullptr);
    desc.flags = SURFACE_DESC_CAPS;  // no size
    EXPECT_NE(display->create_surface(desc, &surface), PLATFORM_OK);
}

TEST_F(SdlDisplay16, OffscreenSurfacesLockPackedAndOnlyOnce) {
    DisplaySurface* surface = offscreen(321, 7);
    SurfaceDesc desc;
    ASSERT_EQ(surface->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
    EXPECT_EQ(desc.pitch, 321 * 2);
    EXPECT_NE(desc.memory, nullptr);
    EXPECT_TRUE(desc.caps & SURFACE_OFFSCREEN_PLAIN);
    SurfaceDesc again;
    EXPECT_EQ(surface->lock(nullptr, again, LOCK_WAIT), DISPLAY_SURFACE_BUSY);
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_OK);
    // A stray unlock does not fail, so callers that retry until success cannot spin.
    EXPECT_EQ(surface->unlock(nullptr), PLATFORM_OK);
    DisplayRect outside{0, 0, 322, 7};
    EXPECT_EQ(surface->lock(&outside, again, LOCK_WAIT), PLATFORM_INVALID_ARGUMENT);
    surface->release();
}

TEST_F(SdlDisplay16, BltToThePrimaryLandsInTheFrameBuffer) {
    ASSERT_EQ(display->set_display_mode(8, 4, 16), PLATFORM_OK);
    DisplaySurface* screen = primary(1);
    DisplaySurface* frame = offscreen(2, 2);
    SurfaceDesc desc;
    ASSERT_EQ(frame->lock(nullptr, desc, LOCK_WAIT), PLATFORM_OK);
    const uint16_t pixels[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    std::memcpy(desc.memory, pixels, sizeof pixels);
    frame->unlock(desc.memory);
    const DisplayRect dest{4, 0, 8, 4};
    ASSERT_EQ(screen->blt(&dest, frame, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    // A source rect reaching outside the source is refused, not read.
    const DisplayRect too_tall{0, 0, 2, 3};
    EXPECT_EQ(screen->blt(&dest, frame, &too_tall, BLT_WAIT, nullptr), PLATFORM_INVALID_ARGUMENT);

    std::shared_ptr<ScreenBuffer> buffer = static_cast<SdlDisplay*>(display)->screen();
    const PixelView view = buffer->view();
    auto at = [&](int x, int y) {
        uint16_t value;
        std::memcpy(&value, view.pixels + y * view.pitch + x * 2, 2);
        return value;
    };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(4, 0), 0xF800);
    EXPECT_EQ(at(7, 1), 0x07E0);
    EXPECT_EQ(at(5, 3), 0x001F);
    EXPECT_EQ(at(6, 2), 0xFFFF);

    BltEffects fill;
    fill.fill_colour = 0x1234;
    ASSERT_EQ(screen->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL | BLT_WAIT, &fill),
              PLATFORM_OK);
    EXPECT_EQ(at(0, 0), 0x1234);
    EXPECT_EQ(at(7, 3), 0x1234);
    frame->release();
    screen->release();
}

TEST_F(SdlDisplay16, BackBufferIsAttachedWithAReferenceOfItsOwn) {
    DisplaySurface* screen = primary(1);
    DisplaySurface* back = nullptr;
    ASSERT_EQ(screen->get_attached_surface(SURFACE_BACK_BUFFER, &back), PLATFORM_OK);
    ASSERT_NE(back, nullptr);
    SurfaceDesc desc;
    back->get_surface_desc(desc);
    EXPECT_EQ(desc.width, 640u);
    EXPECT_TRUE(desc.caps & SURFACE_BACK_BUFFER);
    screen->release();
    // Still ours after the primary went.
    EXPECT_EQ(back->get_surface_desc(desc), PLATFORM_OK);
    back->release();

    DisplaySurface* single = primary(0);
    EXPECT_NE(single->get_attached_surface(SURFACE_BACK_BUFFER, &back), PLATFORM_OK);
    EXPECT_EQ(back, nullptr);
    single->release();
}

TEST_F(SdlDisplay16, PalettesLeftAttachedEndWithTheDisplay) {
    ASSERT_EQ(display->set_display_mode(320, 200, 8), PLATFORM_OK);
    DisplaySurface* screen = primary(1);
    DisplaySurface* back = nullptr;
    screen->get_attached_surface(SURFACE_BACK_BUFFER, &back);
    PaletteEntry entries[256] = {};
    DisplayPalette* first = nullptr;
    DisplayPalette* second = nullptr;
    ASSERT_EQ(display->create_palette(PALETTE_8BIT | PALETTE_ALLOW_256, entries, &first),
              PLATFORM_OK);
    ASSERT_EQ(display->create_palette(PALETTE_8BIT | PALETTE_ALLOW_256, entries, &second),
              PLATFORM_OK);
    screen->set_palette(first);
    back->set_palette(second);
    const PaletteEntry red{255, 0, 0, 0};
    EXPECT_EQ(first->set_entries(0, 255, 1, &red), PLATFORM_OK);
    EXPECT_EQ(first->set_entries(0, 255, 2, &red), PLATFORM_INVALID_ARGUMENT);
    PaletteEntry read{};
    first->get_entries(0, 255, 1, &read);
    EXPECT_EQ(read.red, 255);
    // With the application's references to the palettes gone and its surfaces still held,
    // releasing the display ends all four (the sanitizer builds prove nothing is freed twice
    // or left behind).
    first->release();
    second->release();
    display->release();
    display = nullptr;
}

TEST_F(SdlDisplay16, SixteenBitPixelsWidenToFullRange) {
    EXPECT_EQ(xrgb_from_16bit(0xFFFF, 16), 0xFFFFFFu);
    EXPECT_EQ(xrgb_from_16bit(0xF800, 16), 0xFF0000u);
    EXPECT_EQ(xrgb_from_16bit(0x07E0, 16), 0x00FF00u);
    EXPECT_EQ(xrgb_from_16bit(0x0821, 16), 0x080408u);  // 1/1/1 -> 8, 4, 8
    EXPECT_EQ(xrgb_from_16bit(0x7C00, 15), 0xFF0000u);
    EXPECT_EQ(xrgb_from_16bit(0x0421, 15), 0x080808u);
}

}  // namespace qx

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/sdl/sdl_window.h"
#include "platform/sdl/xrgb_conversion.h"

namespace qx {

// A real window (under Xvfb in the test run): pictures Blt to the primary surface are read
// back from the renderer, keys pushed into SDL's queue come out of the message pump.
namespace {

constexpr char CLASS_NAME[] = "qx window test";

std::vector<WindowMessage> procedure_calls;

intptr_t test_procedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    procedure_calls.push_back({window, message, wparam, lparam});
    if (message == WINDOW_MESSAGE_DESTROY) {
        window_post_quit_message(0);
    }
    return window_default_procedure(window, message, wparam, lparam);
}

uint16_t pattern_pixel(int x, int y) {
    return static_cast<uint16_t>(((x * 3) & 0x1F) << 11 | ((y * 5) & 0x3F) << 5 | ((x + y) & 0x1F));
}

struct SdlWindowFixture : testing::Test {
    SdlBackend backend{false};
    WindowHandle window = nullptr;
    Display* display = nullptr;
    DisplaySurface* primary = nullptr;

    void SetUp() override {
        procedure_calls.clear();
        WindowClass window_class;
        window_class.style = WINDOW_CLASS_DOUBLE_CLICKS;
        window_class.procedure = test_procedure;
        window_class.name = CLASS_NAME;
        if (!window_register_class(window_class)) {
            GTEST_SKIP() << "no display to open a window on";
        }
    }
    void TearDown() override {
        if (primary) {
            primary->release();
        }
        if (display) {
            display->release();
        }
        window_unregister_class(CLASS_NAME);
    }

    void open(int width, int height, int mode_width, int mode_height, int depth) {
        window = window_create(CLASS_NAME, "qx window test",
                               WINDOW_STYLE_OVERLAPPED | WINDOW_STYLE_VISIBLE, 0, 0, width, height);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(backend.create_display(&display), PLATFORM_OK);
        ASSERT_EQ(display->set_cooperative_level(window, COOPERATIVE_NORMAL), PLATFORM_OK);
        ASSERT_EQ(display->set_display_mode(mode_width, mode_height, depth), PLATFORM_OK);
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS;
        desc.caps = SURFACE_PRIMARY;
        ASSERT_EQ(display->create_surface(desc, &primary), PLATFORM_OK);
    }

    // An off-screen surface holding `pixels` (width x height of the mode's pixel size).
    DisplaySurface* picture(int width, int height, const void* pixels, int pixel_bytes) {
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_WIDTH | SURFACE_DESC_HEIGHT;
        desc.caps = SURFACE_OFFSCREEN_PLAIN;
        desc.width = width;
        desc.height = height;
        DisplaySurface* surface = nullptr;
        EXPECT_EQ(display->create_surface(desc, &surface), PLATFORM_OK);
        SurfaceDesc locked;
        EXPECT_EQ(surface->lock(nullptr, locked, LOCK_WAIT), PLATFORM_OK);
        std::memcpy(locked.memory, pixels, static_cast<size_t>(width) * height * pixel_bytes);
        surface->unlock(locked.memory);
        return surface;
    }

    std::vector<uint32_t> shown(int& width, int& height) {
        std::vector<uint32_t> pixels;
        EXPECT_TRUE(sdl_window_read_pixels(window, pixels, width, height));
        return pixels;
    }

    void push_key(SDL_Keycode key, bool down = true) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = sdl_window_id(window);
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }
};

using SdlWindow = SdlWindowFixture;

// The pictures' way to the window, forced either way: the renderer's texture, or the window's
// own surface.
struct SdlWindowWay : SdlWindowFixture, testing::WithParamInterface<const char*> {
    void SetUp() override {
        setenv("QX_PRESENTER", GetParam(), 1);
        SdlWindowFixture::SetUp();
    }
    void TearDown() override {
        SdlWindowFixture::TearDown();
        unsetenv("QX_PRESENTER");
    }
};

INSTANTIATE_TEST_SUITE_P(BothWays, SdlWindowWay, testing::Values("renderer", "surface"));

}  // namespace

TEST_P(SdlWindowWay, PresentedFrameReachesTheWindowScaledTwice) {
    open(640, 480, 320, 240, 16);
    std::vector<uint16_t> frame(320 * 240);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            frame[y * 320 + x] = pattern_pixel(x, y);
        }
    }
    DisplaySurface* source = picture(320, 240, frame.data(), 2);
    ASSERT_EQ(primary->blt(nullptr, source, nullptr, BLT_WAIT, nullptr), PLATFORM_OK);
    window_sleep_ms(30);
    int width = 0;
    int height = 0;
    const std::vector<uint32_t> pixels = shown(width, height);
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    int wrong = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            wrong += pixels[y * 640 + x] != xrgb_from_16bit(pattern_pixel(x / 2, y / 2), 16);
        }
    }
    EXPECT_EQ(wrong, 0);
    source->release();
}

TEST_P(SdlWindowWay, AspectIsKeptWithBlackBars) {
    open(800, 480, 320, 240, 16);
    std::vector<uint16_t> white(320 * 240, 0xFFFF);
    DisplaySurface* source = picture(320, 240, white.data(), 2);
    primary->blt(nullptr, source, nullptr, BLT_WAIT, nullptr);
    window_sleep_ms(30);
    int width = 0;
    int height = 0;
    const std::vector<uint32_t> pixels = shown(width, height);
    ASSERT_EQ(width, 800);
    EXPECT_EQ(pixels[240 * 800 + 79], 0u);
    EXPECT_EQ(pixels[240 * 800 + 80], 0xFFFFFFu);
    EXPECT_EQ(pixels[240 * 800 + 719], 0xFFFFFFu);
    EXPECT_EQ(pixels[240 * 800 + 720], 0u);
    EXPECT_EQ(fit_rect(320, 240, 800, 480).x, 80);
    EXPECT_EQ(fit_rect(320, 240, 640, 600).y, 60);
    source->release();
}

// Sizes that are no whole multiple of the picture take the pixel under each one's centre on
// the surface way (a renderer smooths them instead), and its borders stay black.
TEST_F(SdlWindow, SurfaceWayFitsOtherSizesByNearestPixels) {
    setenv("QX_PRESENTER", "surface", 1);
    open(500, 320, 320, 240, 16);
    unsetenv("QX_PRESENTER");
    std::vector<uint16_t> frame(320 * 240);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            frame[y * 320 + x] = pattern_pixel(x, y);
        }
    }
    DisplaySurface* source = picture(320, 240, frame.data(), 2);
    primary->blt(nullptr, source, nullptr, BLT_WAIT, nullptr);
    window_sleep_ms(30);
    int width = 0;
    int height = 0;
    const std::vector<uint32_t> pixels = shown(width, height);
    ASSERT_EQ(width, 500);
    const SDL_Rect place = fit_rect(320, 240, 500, 320);
    ASSERT_EQ(place.w, 427);
    int wrong = 0;
    for (int y = 0; y < 320; ++y) {
        for (int x = 0; x < 500; ++x) {
            const int px = x - place.x;
            const int py = y - place.y;
            const bool inside = px >= 0 && px < place.w && py >= 0 && py < place.h;
            const uint32_t expected =
                inside ? xrgb_from_16bit(pattern_pixel((2 * px + 1) * 320 / (2 * place.w),
                                                       (2 * py + 1) * 240 / (2 * place.h)),
                                         16)
                       : 0;
            wrong += pixels[y * 500 + x] != expected;
        }
    }
    EXPECT_EQ(wrong, 0);
    source->release();
}

TEST_P(SdlWindowWay, HalfCopiedFrameIsNotShownUntilItsLastRowArrives) {
    open(160, 120, 160, 120, 16);
    std::vector<uint16_t> red(160 * 120, 0xF800);
    DisplaySurface* source = picture(160, 120, red.data(), 2);
    // Row by row as the player draws scan lines, stopping half way.
    for (int row = 0; row < 60; ++row) {
        const DisplayRect rect{0, row, 160, row + 1};
        primary->blt(&rect, source, &rect, BLT_WAIT, nullptr);
    }
    window_sleep_ms(20);
    int width = 0;
    int height = 0;
    EXPECT_EQ(shown(width, height)[0], 0u);
    for (int row = 60; row < 120; ++row) {
        const DisplayRect rect{0, row, 160, row + 1};
        primary->blt(&rect, source, &rect, BLT_WAIT, nullptr);
    }
    window_sleep_ms(20);
    const std::vector<uint32_t> pixels = shown(width, height);
    EXPECT_EQ(pixels[0], 0xFF0000u);
    EXPECT_EQ(pixels[119 * 160 + 159], 0xFF0000u);
    source->release();
}

TEST_P(SdlWindowWay, PalettisedModeShowsThePrimarysPalette) {
    open(64, 32, 64, 32, 8);
    PaletteEntry entries[256] = {};
    entries[3] = {0, 200, 100, 0};
    DisplayPalette* palette = nullptr;
    ASSERT_EQ(display->create_palette(PALETTE_8BIT | PALETTE_ALLOW_256, entries, &palette),
              PLATFORM_OK);
    primary->set_palette(palette);
    std::vector<uint8_t> indexes(64 * 32, 3);
    DisplaySurface* source = picture(64, 32, indexes.data(), 1);
    primary->blt(nullptr, source, nullptr, BLT_WAIT, nullptr);
    window_sleep_ms(30);
    int width = 0;
    int height = 0;
    EXPECT_EQ(shown(width, height)[5 * 64 + 5], 0x00C864u);
    palette->release();
    source->release();
}

TEST_F(SdlWindow, KeysReachThePumpWithVirtualKeyCodes) {
    open(64, 48, 64, 48, 16);
    for (SDL_Keycode key : {SDLK_LSHIFT, SDLK_ESCAPE, SDLK_SPACE, SDLK_KP_PLUS, SDLK_KP_MINUS}) {
        push_key(key);
    }
    push_key(SDLK_SPACE, false);
    std::vector<uintptr_t> downs;
    WindowMessage message{};
    while (window_peek_message(message)) {
        ASSERT_TRUE(window_get_message(message));
        window_dispatch_message(message);
        if (message.message == WINDOW_MESSAGE_KEY_DOWN) {
            downs.push_back(message.wparam);
            EXPECT_EQ(message.window, window);
        }
    }
    EXPECT_EQ(downs, (std::vector<uintptr_t>{16, 27, 32, 107, 109}));
    bool key_up_dispatched = false;
    for (const WindowMessage& call : procedure_calls) {
        key_up_dispatched |= call.message == WINDOW_MESSAGE_KEY_UP && call.wparam == 32;
    }
    EXPECT_TRUE(key_up_dispatched);
}

TEST_F(SdlWindow, WaitForAMessageEndsWhenOneArrivesOrAtItsTimeout) {
    open(64, 48, 64, 48, 16);
    WindowMessage message{};
    while (window_peek_message(message)) {
        window_get_message(message);
    }
    // The window system may still send a paint of its own, which ends the wait as well.
    auto started = std::chrono::steady_clock::now();
    window_wait_message_ms(60);
    EXPECT_TRUE(std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(60) ||
                window_peek_message(message));
    std::thread typist([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        push_key(SDLK_SPACE);
    });
    started = std::chrono::steady_clock::now();
    bool key_down = false;
    while (!key_down && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
        window_wait_message_ms(20000);
        while (window_peek_message(message) && window_get_message(message)) {
            key_down |= message.message == WINDOW_MESSAGE_KEY_DOWN;
        }
    }
    typist.join();
    EXPECT_TRUE(key_down);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST_F(SdlWindow, ClosingDestroysTheWindowAndEndsThePump) {
    open(64, 48, 64, 48, 16);
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = sdl_window_id(window);
    SDL_PushEvent(&event);
    WindowMessage message{};
    bool destroyed = false;
    while (window_get_message(message)) {
        window_dispatch_message(message);
    }
    for (const WindowMessage& call : procedure_calls) {
        destroyed |= call.message == WINDOW_MESSAGE_DESTROY;
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(message.message, WINDOW_MESSAGE_QUIT);
    EXPECT_EQ(sdl_window_id(window), 0u);
    // The display lives on without its window: Blts still land, nothing is shown.
    BltEffects fill;
    EXPECT_EQ(primary->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL, &fill), PLATFORM_OK);
    window_sleep_ms(5);
}

TEST(SdlWindowSystem, NoVideoDriverMeansNoWindowClass) {
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    WindowClass window_class;
    window_class.procedure = window_default_procedure;
    window_class.name = "qx no display";
    EXPECT_FALSE(window_register_class(window_class));
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(window_create("qx no display", "x", WINDOW_STYLE_POPUP, 0, 0, 10, 10), nullptr);
}

}  // namespace qx

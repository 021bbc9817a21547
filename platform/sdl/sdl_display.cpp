#include "platform/sdl/sdl_display.h"

#include <chrono>
#include <new>
#include <thread>

#include "platform/sdl/memory_palette.h"
#include "platform/sdl/memory_surface.h"
#include "platform/sdl/primary_surface.h"
#include "platform/sdl/sdl_window.h"

namespace qx {

namespace {

constexpr auto REFRESH_PERIOD = std::chrono::microseconds(16667);

}  // namespace

SdlDisplay::~SdlDisplay() {
    children_.discard_all();
}

PlatformResult SdlDisplay::set_cooperative_level(WindowHandle window, uint32_t flags) {
    window_ = window;
    if (window_) {
        if (flags & COOPERATIVE_FULLSCREEN) {
            window_set_fullscreen(window_, true);
        }
        sdl_window_show_screen(window_, screen_);
    }
    return PLATFORM_OK;
}

PlatformResult SdlDisplay::set_display_mode(uint32_t width, uint32_t height,
                                            uint32_t bits_per_pixel) {
    const DisplayMode mode{static_cast<int32_t>(width), static_cast<int32_t>(height),
                           static_cast<int32_t>(bits_per_pixel)};
    if (width > DISPLAY_MODE_MAX_SIDE || height > DISPLAY_MODE_MAX_SIDE ||
        !display_mode_valid(mode)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    try {
        screen_ = std::make_shared<ScreenBuffer>(mode);
    } catch (const std::bad_alloc&) {
        return PLATFORM_OUT_OF_MEMORY;
    }
    if (window_) {
        sdl_window_show_screen(window_, screen_);
    }
    return PLATFORM_OK;
}

// The frame buffer stands in for the whole screen, so there is no desktop mode to go back to.
PlatformResult SdlDisplay::restore_display_mode() {
    return PLATFORM_OK;
}

PlatformResult SdlDisplay::create_surface(const SurfaceDesc& desc, DisplaySurface** surface) {
    *surface = nullptr;
    const bool primary = (desc.flags & SURFACE_DESC_CAPS) && (desc.caps & SURFACE_PRIMARY);
    try {
        if (primary) {
            const bool with_back_buffer =
                (desc.flags & SURFACE_DESC_BACK_BUFFER_COUNT) && desc.back_buffer_count > 0;
            DisplaySurface* back_buffer =
                with_back_buffer
                    ? new MemorySurface(children_, screen_->mode(),
                                        SURFACE_BACK_BUFFER | SURFACE_FLIP | SURFACE_COMPLEX)
                    : nullptr;
            *surface = new PrimarySurface(children_, screen_, back_buffer);
            return PLATFORM_OK;
        }
        const uint32_t size_flags = SURFACE_DESC_WIDTH | SURFACE_DESC_HEIGHT;
        DisplayMode format = screen_->mode();
        format.width = static_cast<int32_t>(desc.width);
        format.height = static_cast<int32_t>(desc.height);
        if ((desc.flags & size_flags) != size_flags || desc.width > DISPLAY_MODE_MAX_SIDE ||
            desc.height > DISPLAY_MODE_MAX_SIDE || !display_mode_valid(format)) {
            return PLATFORM_INVALID_ARGUMENT;
        }
        const uint32_t caps = (desc.flags & SURFACE_DESC_CAPS) ? desc.caps : 0;
        *surface = new MemorySurface(children_, format, caps | SURFACE_OFFSCREEN_PLAIN);
        return PLATFORM_OK;
    } catch (const std::bad_alloc&) {
        return PLATFORM_OUT_OF_MEMORY;
    }
}

PlatformResult SdlDisplay::create_palette(uint32_t flags, const PaletteEntry* entries,
                                          DisplayPalette** palette) {
    *palette = nullptr;
    if (!(flags & PALETTE_8BIT) || !entries) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    *palette = new MemoryPalette(children_, entries);
    return PLATFORM_OK;
}

// The presenter shows a picture as soon as it is complete, so waiting for the blank is only a
// matter of keeping the caller's rhythm: sleep to the next refresh boundary.
PlatformResult SdlDisplay::wait_for_vertical_blank(uint32_t) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto into_refresh = now % REFRESH_PERIOD;
    std::this_thread::sleep_for(REFRESH_PERIOD - into_refresh);
    return PLATFORM_OK;
}

}  // namespace qx

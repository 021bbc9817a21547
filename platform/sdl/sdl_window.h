#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sdl/screen_buffer.h"
#include "platform/sdl/window_overlay.h"
#include "platform/window.h"

namespace qx {

// What the SDL display and the tests need of the window system beyond platform/window.h.
// Main thread only, like the rest of it; unknown handles are ignored.

// From now on the window shows this screen's pictures (null: none).
void sdl_window_show_screen(WindowHandle window, std::shared_ptr<ScreenBuffer> screen);
// From now on the window shows `overlay` over its pictures (null or empty: nothing).
void sdl_window_show_overlay(WindowHandle window, std::shared_ptr<const WindowOverlay> overlay);
// The window as it is shown now, as 0x00RRGGBB words.
bool sdl_window_read_pixels(WindowHandle window, std::vector<uint32_t>& pixels, int& width,
                            int& height);
// SDL's identifier of the window, for events addressed to it; 0 for an unknown handle.
uint32_t sdl_window_id(WindowHandle window);

}  // namespace qx

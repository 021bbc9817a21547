#pragma once
#include <SDL.h>

namespace qx {

// Whether the graphics hardware may draw for `window`: an X server without the direct
// rendering extensions leaves its clients only a GL driver that draws in software. Displays
// other than X11 cannot be told this way, and count as possibly having it.
bool x11_direct_rendering_possible(SDL_Window* window);

}  // namespace qx

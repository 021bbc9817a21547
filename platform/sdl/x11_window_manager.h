#pragma once
#include <SDL.h>

namespace qx {

// Whether a window manager looks after the screen `window` is shown on. Only a window manager
// acts on the full-screen request SDL sends; without one, a full-screen window has to be placed
// and sized by hand. Displays other than X11 always have a compositor that does it.
bool window_manager_present(SDL_Window* window);

}  // namespace qx

#pragma once
#include <SDL.h>

namespace qx {

// Asks the X server `window` is shown on for an answer and waits for it, as any call that
// queries the server does; false when the window is not an X11 one.
bool x11_round_trip(SDL_Window* window);

}  // namespace qx

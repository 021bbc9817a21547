#pragma once
#include <SDL.h>

#include <cstdint>

namespace qx {

// The virtual-key code (platform/window.h) of an SDL key; 0 for keys without one.
uint32_t virtual_key_from_sdl(SDL_Keycode key);

}  // namespace qx

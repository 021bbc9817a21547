#pragma once
#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/picture_enlarge.h"

namespace qx {

// Pictures an application lays over a window's own, drawn at the window's resolution after the
// screen's picture: each layer is width x height words of 0xAARRGGBB, alpha not premultiplied,
// at `place` in the window.
struct OverlayLayer {
    SDL_Rect place{};
    std::vector<uint32_t> argb;
};
using WindowOverlay = std::vector<OverlayLayer>;

// Blends `layer` over `out`, the window's pixels as 0x00RRGGBB words; what lies outside `out`
// is left out.
void blend_overlay_layer(const OverlayLayer& layer, const PictureWords& out);

}  // namespace qx

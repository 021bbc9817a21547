#include "platform/sdl/window_overlay.h"

#include <algorithm>
#include <cstddef>

namespace qx {

namespace {

uint32_t blend_channel(uint32_t over, uint32_t under, uint32_t alpha) {
    return (over * alpha + under * (255 - alpha) + 127) / 255;
}

uint32_t blend_pixel(uint32_t over, uint32_t under) {
    const uint32_t alpha = over >> 24;
    if (alpha == 0) {
        return under;
    }
    if (alpha == 255) {
        return over & 0xFFFFFF;
    }
    return blend_channel(over >> 16 & 0xFF, under >> 16 & 0xFF, alpha) << 16 |
           blend_channel(over >> 8 & 0xFF, under >> 8 & 0xFF, alpha) << 8 |
           blend_channel(over & 0xFF, under & 0xFF, alpha);
}

}  // namespace

void blend_overlay_layer(const OverlayLayer& layer, const PictureWords& out) {
    const SDL_Rect& place = layer.place;
    if (layer.argb.size() < static_cast<size_t>(std::max(place.w, 0)) * std::max(place.h, 0)) {
        return;
    }
    const int32_t left = std::max(place.x, 0);
    const int32_t right = std::min(place.x + place.w, out.width);
    const int32_t top = std::max(place.y, 0);
    const int32_t bottom = std::min(place.y + place.h, out.height);
    for (int32_t y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(out.words) +
                                                static_cast<ptrdiff_t>(y) * out.pitch);
        const uint32_t* over = layer.argb.data() + static_cast<size_t>(y - place.y) * place.w;
        for (int32_t x = left; x < right; ++x) {
            row[x] = blend_pixel(over[x - place.x], row[x]);
        }
    }
}

}  // namespace qx

#pragma once
#include <cstdint>

#include "platform/display.h"

namespace qx {

// Pixel memory of one surface: `height` rows of `width` pixels, `pitch` bytes apart.
struct PixelView {
    uint8_t* pixels;
    int32_t pitch;
    int32_t width;
    int32_t height;
    int32_t bytes_per_pixel;
};

// Whether `rect` has no inverted edges and lies inside a width x height area.
bool rect_inside(const DisplayRect& rect, int32_t width, int32_t height);

// Copies source_rect of `source` to dest_rect of `dest`, stretching with the nearest pixel
// (each destination pixel takes the source pixel under its centre), clipped to `dest`. Both
// views have the same pixel size; source_rect lies inside `source`; the two must not overlap.
void blit_stretch(const PixelView& dest, const DisplayRect& dest_rect, const PixelView& source,
                  const DisplayRect& source_rect);

// Fills `rect`, clipped to `dest`, with the low bytes of `colour`.
void blit_fill(const PixelView& dest, const DisplayRect& rect, uint32_t colour);

}  // namespace qx

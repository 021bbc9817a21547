#pragma once
#include <cstdint>

#include "platform/display.h"

namespace qx {

// A block of pixels in memory: `height` rows of `width` pixels, `pitch` bytes apart.
struct SoftPlane {
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t pitch;
    int32_t bytes_per_pixel;  // 1, 2 or 4
};

// True when the rectangle has a positive width and height.
bool soft_rect_has_area(const DisplayRect& rect);
// True when the rectangle has area and lies wholly inside the plane.
bool soft_rect_inside(const DisplayRect& rect, const SoftPlane& plane);

// Sets every pixel of `rect` that lies inside the plane to the low bytes of `colour`.
void soft_fill(const SoftPlane& plane, const DisplayRect& rect, uint32_t colour);

// Copies `source_rect` of `source` onto `dest_rect` of `dest`, stretching or shrinking by
// nearest neighbour; only the part of `dest_rect` inside `dest` is written, and clipping does
// not change which source pixel lands where. `source_rect` must lie inside `source`, both
// rectangles must have area, both planes the same pixel size, and they must not overlap.
void soft_stretch(const SoftPlane& dest, const DisplayRect& dest_rect, const SoftPlane& source,
                  const DisplayRect& source_rect);

}  // namespace qx

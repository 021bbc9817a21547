#pragma once
#include <cstdint>

#include "platform/display.h"

namespace qx {

// A display mode: the size of the frame buffer and the layout of its pixels. Depth 8 is
// palettised, 15 and 16 are 5-5-5 and 5-6-5 in two bytes, 24 and 32 are 8-8-8 in three or
// four bytes.
struct DisplayMode {
    int32_t width = 640;
    int32_t height = 480;
    int32_t depth = 16;

    int32_t bytes_per_pixel() const { return depth == 15 ? 2 : depth / 8; }
    PixelFormat pixel_format() const;
};

inline constexpr int32_t DISPLAY_MODE_MAX_SIDE = 8192;

// Whether the mode can be made: a known depth and sides of 1 to DISPLAY_MODE_MAX_SIDE.
bool display_mode_valid(const DisplayMode& mode);

}  // namespace qx

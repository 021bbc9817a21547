#include "platform/sdl/surface_blit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qx {

namespace {

// The source column (or row) for destination offset `offset` of a `dest_size` span that shows
// `source_size` source pixels: the one under the destination pixel's centre.
int32_t source_index(int64_t offset, int64_t source_size, int64_t dest_size) {
    return static_cast<int32_t>(((2 * offset + 1) * source_size) / (2 * dest_size));
}

DisplayRect clip(const DisplayRect& rect, int32_t width, int32_t height) {
    return {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
            std::min(rect.bottom, height)};
}

}  // namespace

bool rect_inside(const DisplayRect& rect, int32_t width, int32_t height) {
    return rect.left >= 0 && rect.top >= 0 && rect.left <= rect.right && rect.top <= rect.bottom &&
           rect.right <= width && rect.bottom <= height;
}

void blit_stretch(const PixelView& dest, const DisplayRect& dest_rect, const PixelView& source,
                  const DisplayRect& source_rect) {
    const int64_t dest_width = int64_t{dest_rect.right} - dest_rect.left;
    const int64_t dest_height = int64_t{dest_rect.bottom} - dest_rect.top;
    const int64_t source_width = int64_t{source_rect.right} - source_rect.left;
    const int64_t source_height = int64_t{source_rect.bottom} - source_rect.top;
    const DisplayRect visible = clip(dest_rect, dest.width, dest.height);
    if (dest_width <= 0 || dest_height <= 0 || source_width <= 0 || source_height <= 0 ||
        visible.left >= visible.right || visible.top >= visible.bottom) {
        return;
    }
    const int32_t pixel = dest.bytes_per_pixel;
    const size_t row_bytes = static_cast<size_t>(visible.right - visible.left) * pixel;
    const bool same_width = source_width == dest_width;
    std::vector<int32_t> columns;
    if (!same_width) {
        columns.resize(visible.right - visible.left);
        for (int32_t x = visible.left; x < visible.right; ++x) {
            columns[x - visible.left] =
                source_rect.left + source_index(x - dest_rect.left, source_width, dest_width);
        }
    }
    for (int32_t y = visible.top; y < visible.bottom; ++y) {
        const int32_t source_y =
            source_rect.top + source_index(y - dest_rect.top, source_height, dest_height);
        const uint8_t* from = source.pixels + static_cast<ptrdiff_t>(source_y) * source.pitch;
        uint8_t* to = dest.pixels + static_cast<ptrdiff_t>(y) * dest.pitch +
                      static_cast<ptrdiff_t>(visible.left) * pixel;
        if (same_width) {
            const int32_t first = source_rect.left + (visible.left - dest_rect.left);
            std::memcpy(to, from + static_cast<ptrdiff_t>(first) * pixel, row_bytes);
            continue;
        }
        for (const int32_t column : columns) {
            std::memcpy(to, from + static_cast<ptrdiff_t>(column) * pixel, pixel);
            to += pixel;
        }
    }
}

void blit_fill(const PixelView& dest, const DisplayRect& rect, uint32_t colour) {
    const DisplayRect visible = clip(rect, dest.width, dest.height);
    if (visible.left >= visible.right || visible.top >= visible.bottom) {
        return;
    }
    uint8_t pattern[4];
    for (int32_t i = 0; i < 4; ++i) {
        pattern[i] = static_cast<uint8_t>(colour >> (8 * i));
    }
    for (int32_t y = visible.top; y < visible.bottom; ++y) {
        uint8_t* to = dest.pixels + static_cast<ptrdiff_t>(y) * dest.pitch +
                      static_cast<ptrdiff_t>(visible.left) * dest.bytes_per_pixel;
        for (int32_t x = visible.left; x < visible.right; ++x) {
            std::memcpy(to, pattern, dest.bytes_per_pixel);
            to += dest.bytes_per_pixel;
        }
    }
}

}  // namespace qx

#include "platform/soft/soft_blit.h"

#include <algorithm>
#include <cstring>

namespace qx {

namespace {

struct Span {
    int32_t first;
    int32_t end;  // exclusive
};

Span clip(int32_t first, int32_t end, int32_t limit) {
    return {std::max(first, 0), std::min(end, limit)};
}

// The source coordinate that the destination coordinate `offset` (from the rectangle's edge)
// samples, for a source extent of `source_extent` drawn over `dest_extent`.
int32_t sample(int64_t offset, int64_t source_extent, int64_t dest_extent) {
    return static_cast<int32_t>(offset * source_extent / dest_extent);
}

uint8_t* pixel_at(const SoftPlane& plane, int32_t x, int32_t y) {
    return plane.pixels + static_cast<int64_t>(y) * plane.pitch +
           static_cast<int64_t>(x) * plane.bytes_per_pixel;
}

}  // namespace

bool soft_rect_has_area(const DisplayRect& rect) {
    return rect.right > rect.left && rect.bottom > rect.top;
}

bool soft_rect_inside(const DisplayRect& rect, const SoftPlane& plane) {
    return soft_rect_has_area(rect) && rect.left >= 0 && rect.top >= 0 &&
           rect.right <= plane.width && rect.bottom <= plane.height;
}

void soft_fill(const SoftPlane& plane, const DisplayRect& rect, uint32_t colour) {
    const Span columns = clip(rect.left, rect.right, plane.width);
    const Span rows = clip(rect.top, rect.bottom, plane.height);
    for (int32_t y = rows.first; y < rows.end; ++y) {
        for (int32_t x = columns.first; x < columns.end; ++x) {
            // Pixels are stored in the machine's order, as a locked surface shows them.
            std::memcpy(pixel_at(plane, x, y), &colour, static_cast<size_t>(plane.bytes_per_pixel));
        }
    }
}

void soft_stretch(const SoftPlane& dest, const DisplayRect& dest_rect, const SoftPlane& source,
                  const DisplayRect& source_rect) {
    // Rectangles may reach far outside the plane, so their extents are taken in 64 bits.
    const int64_t dest_width = int64_t{dest_rect.right} - dest_rect.left;
    const int64_t dest_height = int64_t{dest_rect.bottom} - dest_rect.top;
    const int64_t source_width = int64_t{source_rect.right} - source_rect.left;
    const int64_t source_height = int64_t{source_rect.bottom} - source_rect.top;
    const Span columns = clip(dest_rect.left, dest_rect.right, dest.width);
    const Span rows = clip(dest_rect.top, dest_rect.bottom, dest.height);
    if (columns.first >= columns.end) {
        return;
    }
    const auto pixel_bytes = static_cast<size_t>(dest.bytes_per_pixel);
    for (int32_t y = rows.first; y < rows.end; ++y) {
        const int32_t source_y =
            source_rect.top + sample(int64_t{y} - dest_rect.top, source_height, dest_height);
        if (source_width == dest_width) {
            const auto source_x =
                static_cast<int32_t>(source_rect.left + (int64_t{columns.first} - dest_rect.left));
            std::memcpy(pixel_at(dest, columns.first, y), pixel_at(source, source_x, source_y),
                        static_cast<size_t>(columns.end - columns.first) * pixel_bytes);
            continue;
        }
        for (int32_t x = columns.first; x < columns.end; ++x) {
            const int32_t source_x =
                source_rect.left + sample(int64_t{x} - dest_rect.left, source_width, dest_width);
            std::memcpy(pixel_at(dest, x, y), pixel_at(source, source_x, source_y), pixel_bytes);
        }
    }
}

}  // namespace qx

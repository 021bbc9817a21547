#include "platform/sdl/pixel_surface.h"

#include <cstring>
#include <vector>

namespace qx {

namespace {

DisplayRect whole(const DisplayMode& format) {
    return {0, 0, format.width, format.height};
}

bool inverted(const DisplayRect& rect) {
    return rect.right < rect.left || rect.bottom < rect.top;
}

}  // namespace

PixelSurface::PixelSurface(ChildRegistry& registry, const DisplayMode& format, uint32_t caps)
    : registry_(registry), format_(format), caps_(caps) {
    registry_.add(this);
}

PixelSurface::~PixelSurface() = default;

void PixelSurface::destroy() {
    registry_.remove(this);
    release_references();
    delete this;
}

void PixelSurface::release_references() {
    if (palette_) {
        palette_->release();
        palette_ = nullptr;
    }
}

// The display is going and discards every other child itself.
void PixelSurface::discard() {
    delete this;
}

PlatformResult PixelSurface::get_surface_desc(SurfaceDesc& desc) {
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_HEIGHT | SURFACE_DESC_WIDTH | SURFACE_DESC_PITCH |
                 SURFACE_DESC_PIXEL_FORMAT;
    desc.width = static_cast<uint32_t>(format_.width);
    desc.height = static_cast<uint32_t>(format_.height);
    desc.pitch = format_.width * format_.bytes_per_pixel();
    desc.memory = nullptr;
    desc.caps = caps_;
    desc.pixel_format = format_.pixel_format();
    return PLATFORM_OK;
}

PlatformResult PixelSurface::get_pixel_format(PixelFormat& format) {
    format = format_.pixel_format();
    return PLATFORM_OK;
}

PlatformResult PixelSurface::get_attached_surface(uint32_t, DisplaySurface** surface) {
    *surface = nullptr;
    return PLATFORM_FAILED;
}

PlatformResult PixelSurface::lock(const DisplayRect* rect, SurfaceDesc& desc, uint32_t) {
    const DisplayRect area = rect ? *rect : whole(format_);
    if (!rect_inside(area, format_.width, format_.height)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (locked_.exchange(true, std::memory_order_acquire)) {
        return DISPLAY_SURFACE_BUSY;
    }
    lock_begins();
    get_surface_desc(desc);
    const PixelView view = pixels();
    desc.memory = view.pixels + static_cast<ptrdiff_t>(area.top) * view.pitch +
                  static_cast<ptrdiff_t>(area.left) * view.bytes_per_pixel;
    return PLATFORM_OK;
}

// Unlocking a surface that is not locked succeeds, so that a caller retrying until success
// cannot spin.
PlatformResult PixelSurface::unlock(void*) {
    if (locked_.exchange(false, std::memory_order_release)) {
        lock_ends();
    }
    return PLATFORM_OK;
}

// Memory surfaces are never lost.
PlatformResult PixelSurface::restore() {
    return PLATFORM_OK;
}

PlatformResult PixelSurface::fill(const DisplayRect* dest, const BltEffects* effects) {
    const DisplayRect area = dest ? *dest : whole(format_);
    if (!effects || inverted(area)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    std::unique_lock held = guard();
    blit_fill(pixels(), area, effects->fill_colour);
    written(true);
    return PLATFORM_OK;
}

PlatformResult PixelSurface::blt(const DisplayRect* dest, DisplaySurface* source,
                                 const DisplayRect* source_rect, uint32_t flags,
                                 const BltEffects* effects) {
    if (flags & BLT_COLOUR_FILL) {
        return fill(dest, effects);
    }
    auto* from = dynamic_cast<PixelSurface*>(source);
    if (!from || from->format_.bytes_per_pixel() != format_.bytes_per_pixel()) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    const DisplayRect source_area = source_rect ? *source_rect : whole(from->format_);
    const DisplayRect dest_area = dest ? *dest : whole(format_);
    if (!rect_inside(source_area, from->format_.width, from->format_.height) ||
        inverted(dest_area)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    const bool completes_picture = source_area.bottom == from->format_.height;
    if (from == this) {
        // Source and destination may overlap: copy the source area out first.
        std::unique_lock held = guard();
        const PixelView view = pixels();
        const int32_t width = source_area.right - source_area.left;
        const int32_t height = source_area.bottom - source_area.top;
        const int32_t row_bytes = width * view.bytes_per_pixel;
        std::vector<uint8_t> copy(static_cast<size_t>(row_bytes) * height);
        for (int32_t y = 0; y < height; ++y) {
            std::memcpy(copy.data() + static_cast<ptrdiff_t>(y) * row_bytes,
                        view.pixels + static_cast<ptrdiff_t>(source_area.top + y) * view.pitch +
                            static_cast<ptrdiff_t>(source_area.left) * view.bytes_per_pixel,
                        row_bytes);
        }
        const PixelView copied{copy.data(), row_bytes, width, height, view.bytes_per_pixel};
        blit_stretch(view, dest_area, copied, {0, 0, width, height});
        written(completes_picture);
        return PLATFORM_OK;
    }
    std::unique_lock held = guard();
    std::unique_lock source_held = from->guard();
    blit_stretch(pixels(), dest_area, from->pixels(), source_area);
    written(completes_picture);
    return PLATFORM_OK;
}

PlatformResult PixelSurface::set_palette(DisplayPalette* palette) {
    if (palette) {
        palette->add_ref();
    }
    if (palette_) {
        palette_->release();
    }
    palette_ = palette;
    palette_changed(palette);
    return PLATFORM_OK;
}

}  // namespace qx

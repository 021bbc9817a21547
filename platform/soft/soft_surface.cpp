#include "platform/soft/soft_surface.h"

#include <algorithm>
#include <utility>

#include "platform/soft/soft_palette.h"
#include "platform/soft/soft_pixel_format.h"

namespace qx {

SoftSurface::SoftSurface(std::shared_ptr<SoftState> state, const SoftObject* display,
                         uint32_t width, uint32_t height, uint32_t caps)
    : SoftObject(std::move(state), SOFT_SURFACE, display),
      width_(width),
      height_(height),
      caps_(caps),
      format_(state_->config.pixel_format),
      bytes_per_pixel_(soft_bytes_per_pixel(format_)),
      pitch_(width * bytes_per_pixel_ + state_->config.extra_pitch),
      pixels_(static_cast<size_t>(pitch_) * height) {}

void SoftSurface::release_references() {
    if (palette_ != nullptr) {
        std::exchange(palette_, nullptr)->release();
    }
    if (back_buffer_ != nullptr) {
        std::exchange(back_buffer_, nullptr)->release();
    }
}

SoftPlane SoftSurface::plane() {
    return {pixels_.data(), static_cast<int32_t>(width_), static_cast<int32_t>(height_),
            static_cast<int32_t>(pitch_), static_cast<int32_t>(bytes_per_pixel_)};
}

DisplayRect SoftSurface::whole() const {
    return {0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
}

void SoftSurface::describe(SurfaceDesc& desc) const {
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_HEIGHT | SURFACE_DESC_WIDTH | SURFACE_DESC_PITCH |
                 SURFACE_DESC_PIXEL_FORMAT;
    desc.width = width_;
    desc.height = height_;
    desc.pitch = static_cast<int32_t>(pitch_);
    desc.back_buffer_count = back_buffer_ != nullptr ? 1 : 0;
    if (back_buffer_ != nullptr) {
        desc.flags |= SURFACE_DESC_BACK_BUFFER_COUNT;
    }
    desc.memory = nullptr;
    desc.caps = caps_;
    desc.pixel_format = described_pixel_format();
}

PixelFormat SoftSurface::described_pixel_format() const {
    return state_->config.described_pixel_format.value_or(soft_describe_pixel_format(format_));
}

PlatformResult SoftSurface::get_surface_desc(SurfaceDesc& desc) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.surface_desc)) {
        return PLATFORM_FAILED;
    }
    describe(desc);
    return PLATFORM_OK;
}

PlatformResult SoftSurface::get_pixel_format(PixelFormat& format) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.pixel_format)) {
        return PLATFORM_FAILED;
    }
    format = described_pixel_format();
    return PLATFORM_OK;
}

PlatformResult SoftSurface::get_attached_surface(uint32_t caps, DisplaySurface** surface) {
    std::lock_guard lock(state_->mutex);
    *surface = nullptr;
    if ((caps & SURFACE_BACK_BUFFER) == 0 || back_buffer_ == nullptr) {
        return PLATFORM_FAILED;
    }
    back_buffer_->add_ref();
    *surface = back_buffer_;
    return PLATFORM_OK;
}

PlatformResult SoftSurface::lock(const DisplayRect* rect, SurfaceDesc& desc, uint32_t /*flags*/) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.surface_locks;
    if (soft_fault_trips(state_->faults.surface_lock)) {
        return PLATFORM_FAILED;
    }
    if (soft_fault_trips(state_->faults.surface_lost_on_lock)) {
        lost_ = true;
    }
    if (lost_) {
        return DISPLAY_SURFACE_LOST;
    }
    if (locked_) {
        return DISPLAY_SURFACE_BUSY;
    }
    const DisplayRect area = rect != nullptr ? *rect : whole();
    if (!soft_rect_inside(area, plane())) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    describe(desc);
    desc.memory = pixels_.data() + static_cast<size_t>(area.top) * pitch_ +
                  static_cast<size_t>(area.left) * bytes_per_pixel_;
    locked_ = true;
    return PLATFORM_OK;
}

PlatformResult SoftSurface::unlock(void* /*memory*/) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.surface_unlocks;
    if (soft_fault_trips(state_->faults.surface_unlock)) {
        return PLATFORM_FAILED;
    }
    if (!locked_) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    locked_ = false;
    return PLATFORM_OK;
}

PlatformResult SoftSurface::restore() {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.surface_restores;
    if (soft_fault_trips(state_->faults.surface_restore)) {
        return PLATFORM_FAILED;
    }
    if (lost_) {
        // What a lost surface held is gone; a restored one starts out black.
        std::fill(pixels_.begin(), pixels_.end(), uint8_t{0});
        lost_ = false;
    }
    return PLATFORM_OK;
}

PlatformResult SoftSurface::blt(const DisplayRect* dest, DisplaySurface* source,
                                const DisplayRect* source_rect, uint32_t flags,
                                const BltEffects* effects) {
    std::lock_guard lock(state_->mutex);
    SoftCounters& counters = state_->counters;
    ++counters.blts;
    const DisplayRect area = dest != nullptr ? *dest : whole();
    const bool fill = (flags & BLT_COLOUR_FILL) != 0;
    const uint32_t fill_colour = fill && effects != nullptr ? effects->fill_colour : 0;
    PlatformResult result = PLATFORM_OK;
    if (soft_fault_trips(state_->faults.blt)) {
        result = PLATFORM_FAILED;
    } else if (lost_) {
        result = DISPLAY_SURFACE_LOST;
    } else if (locked_) {
        result = DISPLAY_SURFACE_BUSY;
    } else if (!soft_rect_has_area(area)) {
        result = PLATFORM_INVALID_ARGUMENT;
    } else if (fill) {
        if (effects == nullptr) {
            result = PLATFORM_INVALID_ARGUMENT;
        } else {
            soft_fill(plane(), area, fill_colour);
        }
    } else {
        result = copy_from(area, source, source_rect);
    }
    if (state_->blts.size() < state_->config.blt_log_limit) {
        auto* found = static_cast<SoftSurface*>(state_->find(source, SOFT_SURFACE));
        const DisplayRect source_area = source_rect != nullptr ? *source_rect
                                        : found != nullptr     ? found->whole()
                                                               : DisplayRect{};
        state_->blts.push_back(
            {this, fill ? nullptr : source, area, source_area, flags, fill_colour, result});
    }
    return result;
}

PlatformResult SoftSurface::copy_from(const DisplayRect& dest, DisplaySurface* source,
                                      const DisplayRect* source_rect) {
    auto* from = static_cast<SoftSurface*>(state_->find(source, SOFT_SURFACE));
    if (from == nullptr || from->bytes_per_pixel_ != bytes_per_pixel_) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (from->lost_) {
        return DISPLAY_SURFACE_LOST;
    }
    if (from->locked_) {
        return DISPLAY_SURFACE_BUSY;
    }
    const DisplayRect area = source_rect != nullptr ? *source_rect : from->whole();
    if (!soft_rect_inside(area, from->plane())) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (from != this) {
        soft_stretch(plane(), dest, from->plane(), area);
        return PLATFORM_OK;
    }
    // A copy within one surface reads from a snapshot, so that overlapping rectangles work.
    std::vector<uint8_t> snapshot = pixels_;
    SoftPlane original = plane();
    original.pixels = snapshot.data();
    soft_stretch(plane(), dest, original, area);
    return PLATFORM_OK;
}

PlatformResult SoftSurface::set_palette(DisplayPalette* palette) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.set_palette_calls;
    if (soft_fault_trips(state_->faults.set_palette)) {
        return PLATFORM_FAILED;
    }
    auto* attached = static_cast<SoftPalette*>(state_->find(palette, SOFT_PALETTE));
    if ((palette != nullptr && attached == nullptr) || format_ != SOFT_PIXELS_INDEXED8) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (attached != nullptr) {
        attached->add_ref();
    }
    if (palette_ != nullptr) {
        palette_->release();
    }
    palette_ = attached;
    return PLATFORM_OK;
}

SoftSurfaceImage SoftSurface::image() const {
    SoftSurfaceImage picture;
    picture.width = width_;
    picture.height = height_;
    picture.bytes_per_pixel = bytes_per_pixel_;
    const size_t row_bytes = static_cast<size_t>(width_) * bytes_per_pixel_;
    picture.pixels.resize(row_bytes * height_);
    for (uint32_t y = 0; y < height_; ++y) {
        std::copy_n(pixels_.begin() + static_cast<ptrdiff_t>(y) * pitch_, row_bytes,
                    picture.pixels.begin() + static_cast<ptrdiff_t>(y * row_bytes));
    }
    if (palette_ != nullptr) {
        picture.palette.assign(palette_->entries().begin(), palette_->entries().end());
    }
    return picture;
}

}  // namespace qx

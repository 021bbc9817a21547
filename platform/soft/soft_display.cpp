#include "platform/soft/soft_display.h"

#include <new>

#include "platform/soft/soft_palette.h"
#include "platform/soft/soft_pixel_format.h"
#include "platform/soft/soft_surface.h"

namespace qx {

namespace {

// Surfaces wider or taller than this are refused whatever their byte count, which keeps every
// coordinate of them well inside 32 bits.
constexpr uint32_t MAX_SURFACE_EXTENT = 32768;

}  // namespace

SoftDisplay::SoftDisplay(std::shared_ptr<SoftState> state)
    : SoftObject(std::move(state), SOFT_DISPLAY, nullptr),
      mode_width_(state_->config.mode_width),
      mode_height_(state_->config.mode_height) {}

PlatformResult SoftDisplay::set_cooperative_level(WindowHandle /*window*/, uint32_t flags) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.display_cooperative_level)) {
        return PLATFORM_FAILED;
    }
    state_->counters.display_cooperative_flags = flags;
    return PLATFORM_OK;
}

PlatformResult SoftDisplay::set_display_mode(uint32_t width, uint32_t height,
                                             uint32_t bits_per_pixel) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.display_mode)) {
        return PLATFORM_FAILED;
    }
    if (width == 0 || height == 0 || width > MAX_SURFACE_EXTENT || height > MAX_SURFACE_EXTENT) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    // The mode sizes the primary surfaces made from now on; their pixels keep the configured
    // format, so that a test chooses the format whatever depth the host asks for.
    mode_width_ = width;
    mode_height_ = height;
    SoftCounters& counters = state_->counters;
    counters.mode_width = width;
    counters.mode_height = height;
    counters.mode_bits_per_pixel = bits_per_pixel;
    return PLATFORM_OK;
}

PlatformResult SoftDisplay::restore_display_mode() {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.restore_display_mode_calls;
    mode_width_ = state_->config.mode_width;
    mode_height_ = state_->config.mode_height;
    return PLATFORM_OK;
}

bool SoftDisplay::has_primary() const {
    for (const SoftObject* object : state_->objects) {
        if (object->owner() == this && object->kind() == SOFT_SURFACE &&
            static_cast<const SoftSurface*>(object)->is_primary()) {
            return true;
        }
    }
    return false;
}

SoftSurface* SoftDisplay::make_surface(uint32_t width, uint32_t height, uint32_t caps,
                                       const SurfaceDesc& request) {
    const uint64_t bytes = (uint64_t{width} * soft_bytes_per_pixel(state_->config.pixel_format) +
                            state_->config.extra_pitch) *
                           height;
    if (bytes > state_->config.max_surface_bytes) {
        return nullptr;
    }
    try {
        auto* surface = new SoftSurface(state_, this, width, height, caps);
        state_->surfaces_created.push_back(
            {surface, width, height, caps, request.size, request.flags});
        return surface;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

PlatformResult SoftDisplay::create_primary(const SurfaceDesc& desc, DisplaySurface** surface) {
    if (has_primary()) {
        return PLATFORM_FAILED;
    }
    const bool flipping = (desc.caps & SURFACE_FLIP) != 0;
    const uint32_t back_buffers =
        (desc.flags & SURFACE_DESC_BACK_BUFFER_COUNT) != 0 ? desc.back_buffer_count : 0;
    if (flipping != (back_buffers > 0) || back_buffers > 1) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    SoftSurface* primary = make_surface(mode_width_, mode_height_, desc.caps, desc);
    if (primary == nullptr) {
        return PLATFORM_OUT_OF_MEMORY;
    }
    if (flipping) {
        SoftSurface* back_buffer = make_surface(
            mode_width_, mode_height_, SURFACE_BACK_BUFFER | SURFACE_FLIP | SURFACE_COMPLEX, desc);
        if (back_buffer == nullptr) {
            primary->release();
            return PLATFORM_OUT_OF_MEMORY;
        }
        primary->attach_back_buffer(back_buffer);
    }
    *surface = primary;
    return PLATFORM_OK;
}

PlatformResult SoftDisplay::create_surface(const SurfaceDesc& desc, DisplaySurface** surface) {
    std::lock_guard lock(state_->mutex);
    *surface = nullptr;
    if (soft_fault_trips(state_->faults.surface_create)) {
        return PLATFORM_FAILED;
    }
    const uint32_t caps = (desc.flags & SURFACE_DESC_CAPS) != 0 ? desc.caps : 0;
    if ((caps & SURFACE_PRIMARY) != 0) {
        return create_primary(desc, surface);
    }
    const uint32_t size_flags = SURFACE_DESC_WIDTH | SURFACE_DESC_HEIGHT;
    if ((desc.flags & size_flags) != size_flags || desc.width == 0 || desc.height == 0) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (desc.width > MAX_SURFACE_EXTENT || desc.height > MAX_SURFACE_EXTENT) {
        return PLATFORM_OUT_OF_MEMORY;
    }
    SoftSurface* made = make_surface(desc.width, desc.height, caps, desc);
    if (made == nullptr) {
        return PLATFORM_OUT_OF_MEMORY;
    }
    *surface = made;
    return PLATFORM_OK;
}

PlatformResult SoftDisplay::create_palette(uint32_t flags, const PaletteEntry* entries,
                                           DisplayPalette** palette) {
    std::lock_guard lock(state_->mutex);
    *palette = nullptr;
    if (soft_fault_trips(state_->faults.palette_create)) {
        return PLATFORM_FAILED;
    }
    // Only whole 256-entry palettes are made; the entries give all of them.
    if (entries == nullptr || (flags & PALETTE_8BIT) == 0) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    *palette = new SoftPalette(state_, this, entries);
    state_->palette_flags.push_back(flags);
    return PLATFORM_OK;
}

PlatformResult SoftDisplay::wait_for_vertical_blank(uint32_t /*flags*/) {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.vertical_blank_waits;
    if (soft_fault_trips(state_->faults.vertical_blank)) {
        return PLATFORM_FAILED;
    }
    return PLATFORM_OK;
}

}  // namespace qx

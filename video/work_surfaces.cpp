#include "video/work_surfaces.h"

#include <algorithm>
#include <cstring>

#include "base/memory.h"
#include "codecs/rkd/rkd_convert.h"

namespace qx {

namespace {

void release_surface(DisplaySurface*& surface) {
    if (surface != nullptr) {
        surface->release();
        surface = nullptr;
    }
}

void free_packed_pictures(VideoOutput& video) {
    // New pictures may come back at the addresses of the old ones.
    rkd_forget_converted_pictures(video.rkd);
    memory_free(video.packed_draw);
    memory_free(video.packed_reference);
    video.packed_draw = nullptr;
    video.packed_reference = nullptr;
    video.packed_bytes = 0;
}

DisplaySurface* create_surface(Display& display, int32_t width, int32_t height, uint32_t caps) {
    SurfaceDesc desc{};
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_HEIGHT | SURFACE_DESC_WIDTH;
    desc.height = static_cast<uint32_t>(height);
    desc.width = static_cast<uint32_t>(width);
    desc.caps = caps;
    DisplaySurface* surface = nullptr;
    if (display.create_surface(desc, &surface) != PLATFORM_OK) {
        return nullptr;
    }
    return surface;
}

// Bytes of one row of a surface of `width` pixels, or 0 when the surface is smaller than asked.
int32_t surface_row_bytes(DisplaySurface& surface, int32_t width, int32_t height,
                          int32_t colour_bits) {
    SurfaceDesc desc{};
    if (surface.get_surface_desc(desc) != PLATFORM_OK ||
        desc.width < static_cast<uint32_t>(width) || desc.height < static_cast<uint32_t>(height)) {
        return 0;
    }
    uint32_t bits = desc.pixel_format.rgb_bit_count;
    if (bits == 0 || bits > 32) {
        bits = colour_bits == 8 ? 8 : colour_bits <= 16 ? 16 : 32;
    }
    return width * static_cast<int32_t>((bits + 7) / 8);
}

bool lock_surface(DisplaySurface& surface, SurfaceDesc& desc) {
    for (int32_t attempt = 0; attempt < SURFACE_LOCK_ATTEMPTS; ++attempt) {
        desc = SurfaceDesc{};
        const PlatformResult result = surface.lock(nullptr, desc, LOCK_WAIT);
        if (result == PLATFORM_OK) {
            return true;
        }
        if (result == DISPLAY_SURFACE_LOST) {
            surface.restore();
        }
    }
    return false;
}

bool unlock_surface(DisplaySurface& surface) {
    for (int32_t attempt = 0; attempt < SURFACE_LOCK_ATTEMPTS; ++attempt) {
        if (surface.unlock(nullptr) == PLATFORM_OK) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool ensure_packed_pictures(VideoOutput& video, uint32_t bytes) {
    if (video.packed_draw != nullptr && video.packed_bytes >= bytes) {
        return true;
    }
    free_packed_pictures(video);
    video.packed_draw = static_cast<uint8_t*>(memory_allocate_zeroed(bytes));
    video.packed_reference = static_cast<uint8_t*>(memory_allocate_zeroed(bytes));
    if (video.packed_draw == nullptr || video.packed_reference == nullptr) {
        free_packed_pictures(video);
        return false;
    }
    video.packed_bytes = bytes;
    return true;
}

bool ensure_work_surfaces(VideoOutput& video, int32_t width, int32_t height) {
    const DisplayTarget& target = video.target;
    DisplaySurface*& draw = *target.draw_surface;
    DisplaySurface*& reference = *target.reference_surface;
    if (draw != nullptr && reference != nullptr && video.surface_width >= width &&
        video.surface_height >= height) {
        return true;
    }
    // Surfaces only grow, so a movie whose size keeps changing re-creates them rarely.
    width = std::max(width, video.surface_width);
    height = std::max(height, video.surface_height);
    release_surface(draw);
    release_surface(reference);
    video.surface_width = video.surface_height = video.surface_row_bytes = 0;
    Display* display = *target.display;
    if (display == nullptr) {
        return false;
    }
    uint32_t caps = SURFACE_OFFSCREEN_PLAIN;
    if (target.options.use_dest_width || target.options.use_dest_height) {
        caps |= SURFACE_SYSTEM_MEMORY;
    }
    draw = create_surface(*display, width, height, caps);
    reference = create_surface(*display, width, height, caps);
    int32_t row_bytes = 0;
    if (draw != nullptr && reference != nullptr) {
        row_bytes = std::min(surface_row_bytes(*draw, width, height, *target.colour_bits),
                             surface_row_bytes(*reference, width, height, *target.colour_bits));
    }
    if (row_bytes == 0) {
        release_surface(draw);
        release_surface(reference);
        return false;
    }
    video.surface_width = width;
    video.surface_height = height;
    video.surface_row_bytes = row_bytes;
    return true;
}

bool copy_into_surface(VideoOutput& video, DisplaySurface& surface, const uint8_t* picture,
                       uint32_t row_bytes, int32_t rows) {
    SurfaceDesc desc{};
    if (!lock_surface(surface, desc)) {
        return false;
    }
    const bool usable = desc.memory != nullptr && desc.pitch > 0;
    if (usable) {
        auto* memory = static_cast<uint8_t*>(desc.memory);
        const auto pitch = static_cast<size_t>(desc.pitch);
        const size_t copied =
            std::min<size_t>({row_bytes, static_cast<size_t>(video.surface_row_bytes), pitch});
        const int32_t rows_held = std::min(rows, video.surface_height);
        for (int32_t row = 0; row < rows_held; ++row) {
            std::memcpy(memory + static_cast<size_t>(row) * pitch,
                        picture + static_cast<size_t>(row) * row_bytes, copied);
        }
    }
    const bool unlocked = unlock_surface(surface);
    return usable && unlocked;
}

void release_work_surfaces(VideoOutput& video) {
    release_surface(*video.target.draw_surface);
    release_surface(*video.target.reference_surface);
    video.surface_width = video.surface_height = video.surface_row_bytes = 0;
    free_packed_pictures(video);
}

}  // namespace qx

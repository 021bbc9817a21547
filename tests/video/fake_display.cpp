#include "tests/video/fake_display.h"

#include <algorithm>
#include <cstring>

FakePalette::FakePalette(const PaletteEntry* initial) {
    std::memcpy(entries, initial, sizeof entries);
}

PlatformResult FakePalette::set_entries(uint32_t, uint32_t first, uint32_t count,
                                        const PaletteEntry* source) {
    ++set_entries_calls;
    if (first + count > 256) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    std::memcpy(entries + first, source, count * sizeof(PaletteEntry));
    return PLATFORM_OK;
}

PlatformResult FakePalette::get_entries(uint32_t, uint32_t first, uint32_t count,
                                        PaletteEntry* target) {
    if (first + count > 256) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    std::memcpy(target, entries + first, count * sizeof(PaletteEntry));
    return PLATFORM_OK;
}

FakeSurface::FakeSurface(uint32_t surface_width, uint32_t surface_height,
                         const PixelFormat& pixel_format, int32_t row_pitch)
    : width(surface_width),
      height(surface_height),
      format(pixel_format),
      pitch(row_pitch),
      memory(static_cast<size_t>(row_pitch) * surface_height, 0) {}

FakeSurface::~FakeSurface() {
    if (palette != nullptr) {
        palette->release();
    }
}

PlatformResult FakeSurface::get_surface_desc(SurfaceDesc& desc) {
    if (describe_fails) {
        return PLATFORM_FAILED;
    }
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_HEIGHT | SURFACE_DESC_WIDTH | SURFACE_DESC_PITCH |
                 SURFACE_DESC_PIXEL_FORMAT;
    desc.width = width;
    desc.height = height;
    desc.pitch = pitch;
    desc.caps = caps;
    desc.pixel_format = format;
    return PLATFORM_OK;
}

PlatformResult FakeSurface::get_pixel_format(PixelFormat& pixel_format) {
    pixel_format = format;
    return PLATFORM_OK;
}

PlatformResult FakeSurface::get_attached_surface(uint32_t, DisplaySurface**) {
    return PLATFORM_FAILED;
}

PlatformResult FakeSurface::lock(const DisplayRect*, SurfaceDesc& desc, uint32_t) {
    ++lock_calls;
    if (lost) {
        return DISPLAY_SURFACE_LOST;
    }
    if (lock_failures > 0) {
        --lock_failures;
        return DISPLAY_SURFACE_BUSY;
    }
    if (locked) {
        return DISPLAY_SURFACE_BUSY;
    }
    get_surface_desc(desc);
    desc.memory = memory.data();
    locked = true;
    ++locks;
    return PLATFORM_OK;
}

PlatformResult FakeSurface::unlock(void*) {
    if (unlock_failures > 0) {
        --unlock_failures;
        return PLATFORM_FAILED;
    }
    if (!locked) {
        return PLATFORM_FAILED;
    }
    locked = false;
    ++unlocks;
    return PLATFORM_OK;
}

PlatformResult FakeSurface::restore() {
    ++restores;
    lost = stays_lost;
    return PLATFORM_OK;
}

PlatformResult FakeSurface::blt(const DisplayRect* dest, DisplaySurface* source,
                                const DisplayRect* source_rect, uint32_t flags, const BltEffects*) {
    blts.push_back({dest != nullptr ? *dest : DisplayRect{},
                    source_rect != nullptr ? *source_rect : DisplayRect{}, source, flags});
    return PLATFORM_OK;
}

PlatformResult FakeSurface::set_palette(DisplayPalette* new_palette) {
    if (new_palette != nullptr) {
        new_palette->add_ref();
    }
    if (palette != nullptr) {
        palette->release();
    }
    palette = new_palette;
    return PLATFORM_OK;
}

FakeDisplay::FakeDisplay(const PixelFormat& pixel_format, int32_t extra)
    : format(pixel_format), extra_pitch(extra) {}

FakeDisplay::~FakeDisplay() {
    for (FakeSurface* surface : surfaces) {
        surface->release();
    }
    for (FakePalette* palette : palettes) {
        palette->release();
    }
}

PlatformResult FakeDisplay::set_cooperative_level(WindowHandle, uint32_t) {
    return PLATFORM_OK;
}

PlatformResult FakeDisplay::set_display_mode(uint32_t, uint32_t, uint32_t) {
    return PLATFORM_OK;
}

PlatformResult FakeDisplay::restore_display_mode() {
    return PLATFORM_OK;
}

PlatformResult FakeDisplay::create_surface(const SurfaceDesc& desc, DisplaySurface** surface) {
    created.push_back(desc);
    *surface = nullptr;
    if (create_fails) {
        return PLATFORM_FAILED;
    }
    const auto pixel_bytes = static_cast<int32_t>(std::max(format.rgb_bit_count, 8u) / 8);
    auto* made = new FakeSurface(desc.width, desc.height, format,
                                 static_cast<int32_t>(desc.width) * pixel_bytes + extra_pitch);
    made->caps = desc.caps;
    made->add_ref();
    surfaces.push_back(made);
    *surface = made;
    return PLATFORM_OK;
}

PlatformResult FakeDisplay::create_palette(uint32_t flags, const PaletteEntry* entries,
                                           DisplayPalette** palette) {
    auto* made = new FakePalette(entries);
    made->add_ref();
    palettes.push_back(made);
    palette_flags.push_back(flags);
    *palette = made;
    return PLATFORM_OK;
}

PlatformResult FakeDisplay::wait_for_vertical_blank(uint32_t) {
    ++vertical_blank_waits;
    return PLATFORM_OK;
}

FakeSurface* FakeDisplay::make_primary(uint32_t width, uint32_t height) {
    const auto pixel_bytes = static_cast<int32_t>(std::max(format.rgb_bit_count, 8u) / 8);
    auto* primary =
        new FakeSurface(width, height, format, static_cast<int32_t>(width) * pixel_bytes);
    primary->caps = SURFACE_PRIMARY;
    return primary;
}

namespace {
PixelFormat rgb_format(uint32_t bits, uint32_t red, uint32_t green, uint32_t blue) {
    PixelFormat format{};
    format.flags = PIXEL_FORMAT_RGB;
    format.rgb_bit_count = bits;
    format.red_mask = red;
    format.green_mask = green;
    format.blue_mask = blue;
    return format;
}
}  // namespace

PixelFormat rgb565_format() {
    return rgb_format(16, 0xF800, 0x07E0, 0x001F);
}

PixelFormat rgb555_format() {
    return rgb_format(16, 0x7C00, 0x03E0, 0x001F);
}

PixelFormat rgb888_format() {
    return rgb_format(32, 0xFF0000, 0xFF00, 0xFF);
}

PixelFormat palette8_format() {
    PixelFormat format{};
    format.flags = PIXEL_FORMAT_RGB | PIXEL_FORMAT_PALETTE_INDEXED8;
    format.rgb_bit_count = 8;
    return format;
}

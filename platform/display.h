#pragma once
#include <cstdint>

#include "object.h"
#include "result.h"
#include "window.h"

namespace qx {

// Display surfaces: one display object with its primary surface and any number of off-screen
// surfaces and 256-entry palettes, mirroring the surface service the player was designed for.

struct DisplayRect {
    int32_t left;
    int32_t top;
    int32_t right;   // exclusive
    int32_t bottom;  // exclusive
};

struct PixelFormat {
    uint32_t size = 32;
    uint32_t flags = 0;
    uint32_t rgb_bit_count = 0;
    uint32_t red_mask = 0;
    uint32_t green_mask = 0;
    uint32_t blue_mask = 0;
};

inline constexpr uint32_t PIXEL_FORMAT_RGB = 0x40;
inline constexpr uint32_t PIXEL_FORMAT_PALETTE_INDEXED8 = 0x20;

struct SurfaceDesc {
    uint32_t size = 108;
    uint32_t flags = 0;  // SURFACE_DESC_* bits naming the valid fields
    uint32_t height = 0;
    uint32_t width = 0;
    int32_t pitch = 0;  // bytes per row of the locked memory
    uint32_t back_buffer_count = 0;
    void* memory = nullptr;  // start of the locked memory
    uint32_t caps = 0;       // SURFACE_* capability bits
    PixelFormat pixel_format;
};

inline constexpr uint32_t SURFACE_DESC_CAPS = 0x1;
inline constexpr uint32_t SURFACE_DESC_HEIGHT = 0x2;
inline constexpr uint32_t SURFACE_DESC_WIDTH = 0x4;
inline constexpr uint32_t SURFACE_DESC_PITCH = 0x8;
inline constexpr uint32_t SURFACE_DESC_BACK_BUFFER_COUNT = 0x20;
inline constexpr uint32_t SURFACE_DESC_PIXEL_FORMAT = 0x1000;

inline constexpr uint32_t SURFACE_BACK_BUFFER = 0x4;
inline constexpr uint32_t SURFACE_COMPLEX = 0x8;
inline constexpr uint32_t SURFACE_FLIP = 0x10;
inline constexpr uint32_t SURFACE_OFFSCREEN_PLAIN = 0x40;
inline constexpr uint32_t SURFACE_PRIMARY = 0x200;
inline constexpr uint32_t SURFACE_SYSTEM_MEMORY = 0x800;

inline constexpr uint32_t LOCK_WAIT = 0x1;

inline constexpr uint32_t BLT_COLOUR_FILL = 0x400;
inline constexpr uint32_t BLT_WAIT = 0x1000000;

inline constexpr uint32_t PALETTE_8BIT = 0x4;
inline constexpr uint32_t PALETTE_ALLOW_256 = 0x40;

inline constexpr uint32_t WAIT_VERTICAL_BLANK_BEGIN = 0x1;

inline constexpr uint32_t COOPERATIVE_FULLSCREEN = 0x1;
inline constexpr uint32_t COOPERATIVE_EXCLUSIVE = 0x10;
inline constexpr uint32_t COOPERATIVE_ALLOW_MODEX = 0x40;
inline constexpr uint32_t COOPERATIVE_NORMAL = 0x8;

struct BltEffects {
    uint32_t size = 4 + 4;
    uint32_t fill_colour = 0;
};

struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

class DisplayPalette : public PlatformObject {
  public:
    virtual PlatformResult set_entries(uint32_t flags, uint32_t first, uint32_t count,
                                       const PaletteEntry* entries) = 0;
    virtual PlatformResult get_entries(uint32_t flags, uint32_t first, uint32_t count,
                                       PaletteEntry* entries) = 0;
};

class DisplaySurface : public PlatformObject {
  public:
    // Size, caps and pixel format; `memory` is null and `pitch` the row size when not locked.
    virtual PlatformResult get_surface_desc(SurfaceDesc& desc) = 0;
    virtual PlatformResult get_pixel_format(PixelFormat& format) = 0;
    // The back buffer of a flipping primary surface; the caller gets a reference of its own.
    virtual PlatformResult get_attached_surface(uint32_t caps, DisplaySurface** surface) = 0;
    // Locks the whole surface (rect null) or a part; fills desc.memory and desc.pitch.
    // A lost surface answers DISPLAY_SURFACE_LOST until it is restored.
    virtual PlatformResult lock(const DisplayRect* rect, SurfaceDesc& desc, uint32_t flags) = 0;
    virtual PlatformResult unlock(void* memory) = 0;
    virtual PlatformResult restore() = 0;
    // Copies (stretching when the sizes differ) from source to this surface, clipped to this
    // surface; with BLT_COLOUR_FILL fills dest (null: everything) with effects->fill_colour.
    virtual PlatformResult blt(const DisplayRect* dest, DisplaySurface* source,
                               const DisplayRect* source_rect, uint32_t flags,
                               const BltEffects* effects) = 0;
    // The surface keeps a reference to the palette until another one replaces it.
    virtual PlatformResult set_palette(DisplayPalette* palette) = 0;
};

// When the display's last reference goes, every surface and palette created on it that is still
// alive goes with it (palettes left attached to the application's surfaces end there).
class Display : public PlatformObject {
  public:
    virtual PlatformResult set_cooperative_level(WindowHandle window, uint32_t flags) = 0;
    virtual PlatformResult set_display_mode(uint32_t width, uint32_t height,
                                            uint32_t bits_per_pixel) = 0;
    virtual PlatformResult restore_display_mode() = 0;
    // Creates the primary surface (SURFACE_PRIMARY, optionally with a back buffer) or an
    // off-screen surface of desc.width x desc.height in the display's pixel format.
    virtual PlatformResult create_surface(const SurfaceDesc& desc, DisplaySurface** surface) = 0;
    virtual PlatformResult create_palette(uint32_t flags, const PaletteEntry* entries,
                                          DisplayPalette** palette) = 0;
    virtual PlatformResult wait_for_vertical_blank(uint32_t flags) = 0;
};

// Creates the display object of the installed backend (platform/backend.h).
PlatformResult display_create(Display** display);

}  // namespace qx

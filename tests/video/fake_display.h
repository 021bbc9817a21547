#pragma once
#include <cstdint>
#include <vector>

#include "platform/display.h"

// Small stand-ins for the display service that record what the player asks of them.

class FakePalette : public DisplayPalette {
  public:
    explicit FakePalette(const PaletteEntry* entries);
    PlatformResult set_entries(uint32_t flags, uint32_t first, uint32_t count,
                               const PaletteEntry* entries) override;
    PlatformResult get_entries(uint32_t flags, uint32_t first, uint32_t count,
                               PaletteEntry* entries) override;

    PaletteEntry entries[256] = {};
    int set_entries_calls = 0;
};

struct RecordedBlt {
    DisplayRect dest;
    DisplayRect source;
    DisplaySurface* source_surface;
    uint32_t flags;
};

class FakeSurface : public DisplaySurface {
  public:
    FakeSurface(uint32_t width, uint32_t height, const PixelFormat& format, int32_t pitch);
    ~FakeSurface() override;

    PlatformResult get_surface_desc(SurfaceDesc& desc) override;
    PlatformResult get_pixel_format(PixelFormat& format) override;
    PlatformResult get_attached_surface(uint32_t caps, DisplaySurface** surface) override;
    PlatformResult lock(const DisplayRect* rect, SurfaceDesc& desc, uint32_t flags) override;
    PlatformResult unlock(void* memory) override;
    PlatformResult restore() override;
    PlatformResult blt(const DisplayRect* dest, DisplaySurface* source,
                       const DisplayRect* source_rect, uint32_t flags,
                       const BltEffects* effects) override;
    PlatformResult set_palette(DisplayPalette* palette) override;

    uint8_t* row(int32_t y) { return memory.data() + static_cast<size_t>(y) * pitch; }

    uint32_t width;
    uint32_t height;
    PixelFormat format;
    int32_t pitch;
    uint32_t caps = 0;
    std::vector<uint8_t> memory;
    bool describe_fails = false;
    bool lost = false;
    bool stays_lost = false;  // restore does not bring it back
    int lock_failures = 0;    // the next this many locks fail (not lost)
    int unlock_failures = 0;  // the next this many unlocks fail
    int locks = 0;            // successful ones
    int lock_calls = 0;
    int unlocks = 0;
    int restores = 0;
    bool locked = false;
    std::vector<RecordedBlt> blts;
    DisplayPalette* palette = nullptr;
};

// Keeps a reference to everything it creates, so tests can look at them after the player let
// go; all of it goes with the display.
class FakeDisplay : public Display {
  public:
    // Off-screen surfaces get this format and rows of `extra_pitch` bytes more than needed.
    explicit FakeDisplay(const PixelFormat& format, int32_t extra_pitch = 0);
    ~FakeDisplay() override;

    PlatformResult set_cooperative_level(WindowHandle window, uint32_t flags) override;
    PlatformResult set_display_mode(uint32_t width, uint32_t height,
                                    uint32_t bits_per_pixel) override;
    PlatformResult restore_display_mode() override;
    PlatformResult create_surface(const SurfaceDesc& desc, DisplaySurface** surface) override;
    PlatformResult create_palette(uint32_t flags, const PaletteEntry* entries,
                                  DisplayPalette** palette) override;
    PlatformResult wait_for_vertical_blank(uint32_t flags) override;

    // A primary surface of this display's format (the caller holds one reference).
    FakeSurface* make_primary(uint32_t width, uint32_t height);

    PixelFormat format;
    int32_t extra_pitch;
    bool create_fails = false;
    std::vector<SurfaceDesc> created;
    std::vector<FakeSurface*> surfaces;
    std::vector<FakePalette*> palettes;
    std::vector<uint32_t> palette_flags;
    int vertical_blank_waits = 0;
};

PixelFormat rgb565_format();
PixelFormat rgb555_format();
PixelFormat rgb888_format();
PixelFormat palette8_format();

#pragma once
#include <memory>

#include "platform/display.h"
#include "platform/soft/soft_state.h"

namespace qx {

class SoftSurface;

// The display object: makes the primary, off-screen surfaces and palettes, and takes them all
// with it when its last reference goes.
class SoftDisplay : public Display, public SoftObject {
  public:
    explicit SoftDisplay(std::shared_ptr<SoftState> state);

    PlatformResult set_cooperative_level(WindowHandle window, uint32_t flags) override;
    PlatformResult set_display_mode(uint32_t width, uint32_t height,
                                    uint32_t bits_per_pixel) override;
    PlatformResult restore_display_mode() override;
    PlatformResult create_surface(const SurfaceDesc& desc, DisplaySurface** surface) override;
    PlatformResult create_palette(uint32_t flags, const PaletteEntry* entries,
                                  DisplayPalette** palette) override;
    PlatformResult wait_for_vertical_blank(uint32_t flags) override;

    const void* face() const override { return static_cast<const Display*>(this); }

  private:
    void destroy() override { destroy_with_lock(); }
    bool has_primary() const;
    PlatformResult create_primary(const SurfaceDesc& desc, DisplaySurface** surface);
    // Makes one surface and records it; null when the memory cannot be had.
    SoftSurface* make_surface(uint32_t width, uint32_t height, uint32_t caps,
                              const SurfaceDesc& request);

    uint32_t mode_width_;
    uint32_t mode_height_;
};

}  // namespace qx

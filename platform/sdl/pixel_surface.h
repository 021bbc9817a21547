#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/display.h"
#include "platform/sdl/child_registry.h"
#include "platform/sdl/display_mode.h"
#include "platform/sdl/surface_blit.h"

namespace qx {

// A surface whose pixels live in memory with a packed pitch: describe, lock, stretched and
// clipped Blts, colour fills and a palette reference. Subclasses say where the pixels are and
// what guards them.
class PixelSurface : public DisplaySurface, public DisplayChild {
  public:
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
    void discard() override;

    const DisplayMode& format() const { return format_; }

  protected:
    // `format` gives the size and pixel layout; `caps` the SURFACE_* bits it reports.
    PixelSurface(ChildRegistry& registry, const DisplayMode& format, uint32_t caps);
    ~PixelSurface();

    // The pixels, valid while the guard is held.
    virtual PixelView pixels() = 0;
    virtual std::unique_lock<std::mutex> guard() { return {}; }
    // After a Blt or fill changed the pixels, with the guard still held.
    virtual void written(bool) {}
    virtual void lock_begins() {}
    virtual void lock_ends() {}
    virtual void palette_changed(DisplayPalette*) {}
    // Drops the references this surface holds on other objects (not when discarded).
    virtual void release_references();

  private:
    void destroy() override;
    PlatformResult fill(const DisplayRect* dest, const BltEffects* effects);

    ChildRegistry& registry_;
    const DisplayMode format_;
    const uint32_t caps_;
    std::atomic<bool> locked_{false};
    DisplayPalette* palette_ = nullptr;
};

}  // namespace qx

#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display.h"
#include "platform/soft/soft_blit.h"
#include "platform/soft/soft_state.h"

namespace qx {

class SoftPalette;

// A surface in memory: the primary (with its back buffer when it flips) or an off-screen one.
class SoftSurface : public DisplaySurface, public SoftObject {
  public:
    // Throws std::bad_alloc when the pixels cannot be had; called with the mutex held.
    SoftSurface(std::shared_ptr<SoftState> state, const SoftObject* display, uint32_t width,
                uint32_t height, uint32_t caps);

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

    const void* face() const override { return static_cast<const DisplaySurface*>(this); }

    // The rest is called with the state's mutex held.
    bool is_primary() const { return (caps_ & SURFACE_PRIMARY) != 0; }
    // Hands the back buffer of a flipping primary to it; the primary keeps that reference.
    void attach_back_buffer(SoftSurface* back_buffer) { back_buffer_ = back_buffer; }
    void lose() { lost_ = true; }
    SoftSurfaceImage image() const;

  private:
    void destroy() override { destroy_with_lock(); }
    void release_references() override;
    SoftPlane plane();
    PlatformResult copy_from(const DisplayRect& dest, DisplaySurface* source,
                             const DisplayRect* source_rect);
    DisplayRect whole() const;
    void describe(SurfaceDesc& desc) const;
    PixelFormat described_pixel_format() const;

    const uint32_t width_;
    const uint32_t height_;
    const uint32_t caps_;
    const SoftPixelFormat format_;
    const uint32_t bytes_per_pixel_;
    const uint32_t pitch_;
    std::vector<uint8_t> pixels_;
    bool locked_ = false;
    bool lost_ = false;
    SoftPalette* palette_ = nullptr;
    SoftSurface* back_buffer_ = nullptr;
};

}  // namespace qx

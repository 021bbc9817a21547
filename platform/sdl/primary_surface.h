#pragma once
#include <memory>

#include "platform/sdl/pixel_surface.h"
#include "platform/sdl/screen_buffer.h"

namespace qx {

// The primary surface: its pixels are the frame buffer of the display mode, which the window
// shows. Every write goes through the screen's guard and tells the screen about it.
class PrimarySurface final : public PixelSurface {
  public:
    // `back_buffer` (may be null) is handed over with its reference.
    PrimarySurface(ChildRegistry& registry, std::shared_ptr<ScreenBuffer> screen,
                   DisplaySurface* back_buffer);

    PlatformResult get_attached_surface(uint32_t caps, DisplaySurface** surface) override;

  protected:
    PixelView pixels() override;
    std::unique_lock<std::mutex> guard() override;
    void written(bool completes_picture) override;
    void lock_begins() override;
    void lock_ends() override;
    void palette_changed(DisplayPalette* palette) override;
    void release_references() override;

  private:
    std::shared_ptr<ScreenBuffer> screen_;
    DisplaySurface* back_buffer_;
};

}  // namespace qx

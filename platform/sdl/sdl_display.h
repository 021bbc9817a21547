#pragma once
#include <memory>

#include "platform/display.h"
#include "platform/sdl/child_registry.h"
#include "platform/sdl/screen_buffer.h"

namespace qx {

// The display: a frame buffer in the pixel format of the display mode (640 x 480 x 16 until
// one is set), shown in the window given to the cooperative level. Without a window it is a
// frame buffer nobody sees. Mode and cooperative-level calls belong on the main thread; the
// surfaces may be used from any thread.
class SdlDisplay final : public Display {
  public:
    PlatformResult set_cooperative_level(WindowHandle window, uint32_t flags) override;
    PlatformResult set_display_mode(uint32_t width, uint32_t height,
                                    uint32_t bits_per_pixel) override;
    PlatformResult restore_display_mode() override;
    PlatformResult create_surface(const SurfaceDesc& desc, DisplaySurface** surface) override;
    PlatformResult create_palette(uint32_t flags, const PaletteEntry* entries,
                                  DisplayPalette** palette) override;
    PlatformResult wait_for_vertical_blank(uint32_t flags) override;

    // The frame buffer of the current mode (for tests and tools that look at the screen).
    std::shared_ptr<ScreenBuffer> screen() const { return screen_; }

  private:
    ~SdlDisplay() override;

    ChildRegistry children_;
    std::shared_ptr<ScreenBuffer> screen_ = std::make_shared<ScreenBuffer>(DisplayMode{});
    WindowHandle window_ = nullptr;
};

}  // namespace qx

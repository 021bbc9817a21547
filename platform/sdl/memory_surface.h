#pragma once
#include <vector>

#include "platform/sdl/pixel_surface.h"

namespace qx {

// An off-screen surface (or a back buffer): pixels in memory of its own, zero at first.
class MemorySurface final : public PixelSurface {
  public:
    MemorySurface(ChildRegistry& registry, const DisplayMode& format, uint32_t caps);

  protected:
    PixelView pixels() override;

  private:
    std::vector<uint8_t> memory_;
};

}  // namespace qx

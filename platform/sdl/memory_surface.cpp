#include "platform/sdl/memory_surface.h"

namespace qx {

MemorySurface::MemorySurface(ChildRegistry& registry, const DisplayMode& format, uint32_t caps)
    : PixelSurface(registry, format, caps),
      memory_(static_cast<size_t>(format.width) * format.height * format.bytes_per_pixel()) {}

PixelView MemorySurface::pixels() {
    return {memory_.data(), format().width * format().bytes_per_pixel(), format().width,
            format().height, format().bytes_per_pixel()};
}

}  // namespace qx

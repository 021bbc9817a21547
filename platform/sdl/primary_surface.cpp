#include "platform/sdl/primary_surface.h"

#include "platform/sdl/memory_palette.h"

namespace qx {

PrimarySurface::PrimarySurface(ChildRegistry& registry, std::shared_ptr<ScreenBuffer> screen,
                               DisplaySurface* back_buffer)
    : PixelSurface(registry, screen->mode(),
                   SURFACE_PRIMARY | (back_buffer ? SURFACE_FLIP | SURFACE_COMPLEX : 0)),
      screen_(std::move(screen)),
      back_buffer_(back_buffer) {}

PlatformResult PrimarySurface::get_attached_surface(uint32_t caps, DisplaySurface** surface) {
    *surface = nullptr;
    if (!back_buffer_ || !(caps & SURFACE_BACK_BUFFER)) {
        return PLATFORM_FAILED;
    }
    back_buffer_->add_ref();
    *surface = back_buffer_;
    return PLATFORM_OK;
}

PixelView PrimarySurface::pixels() {
    return screen_->view();
}

std::unique_lock<std::mutex> PrimarySurface::guard() {
    return screen_->guard();
}

void PrimarySurface::written(bool completes_picture) {
    screen_->note_write(completes_picture);
}

void PrimarySurface::lock_begins() {
    screen_->hold();
}

void PrimarySurface::lock_ends() {
    screen_->release_hold();
}

void PrimarySurface::palette_changed(DisplayPalette* palette) {
    auto* shown = dynamic_cast<MemoryPalette*>(palette);
    screen_->show_palette(shown ? shown->store() : nullptr);
}

void PrimarySurface::release_references() {
    PixelSurface::release_references();
    if (back_buffer_) {
        back_buffer_->release();
        back_buffer_ = nullptr;
    }
}

}  // namespace qx

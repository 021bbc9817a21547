#include "platform/sdl/screen_buffer.h"

namespace qx {

ScreenBuffer::ScreenBuffer(const DisplayMode& mode)
    : mode_(mode),
      converter_(mode.depth),
      pixels_(static_cast<size_t>(mode.width) * mode.height * mode.bytes_per_pixel()) {}

PixelView ScreenBuffer::view() {
    return {pixels_.data(), mode_.width * mode_.bytes_per_pixel(), mode_.width, mode_.height,
            mode_.bytes_per_pixel()};
}

void ScreenBuffer::note_write(bool completes_picture) {
    dirty_ = true;
    complete_ = completes_picture;
    last_write_ = PresentClock::now();
    if (completes_picture) {
        present_signal_raise();
    }
}

void ScreenBuffer::hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void ScreenBuffer::release_hold() {
    std::lock_guard lock(mutex_);
    held_ = false;
    note_write(true);
}

void ScreenBuffer::show_palette(std::shared_ptr<PaletteStore> palette) {
    std::lock_guard lock(mutex_);
    palette_ = std::move(palette);
    note_write(true);
}

void ScreenBuffer::show_again() {
    std::lock_guard lock(mutex_);
    dirty_ = true;
    complete_ = true;
    last_write_ = {};
}

ScreenBuffer::Take ScreenBuffer::take_picture(PresentClock::time_point now,
                                              PresentClock::time_point& retry_at,
                                              const std::function<PictureRows()>& target) {
    std::lock_guard lock(mutex_);
    if (held_ || !dirty_) {
        return Take::nothing;
    }
    const PresentClock::time_point ready_at =
        last_write_ + (complete_ ? PICTURE_SETTLE : PICTURE_STALE);
    if (now < ready_at) {
        retry_at = ready_at;
        return Take::later;
    }
    PaletteEntry palette[256] = {};
    if (mode_.depth == 8 && palette_) {
        palette_->copy_to(palette);
    }
    const PictureRows out = target();
    if (out.words == nullptr) {
        return Take::nothing;
    }
    const PixelView pixels = view();
    converter_.convert(pixels.pixels, pixels.pitch, mode_.width, mode_.height, palette, out.words,
                       out.pitch);
    dirty_ = false;
    return Take::taken;
}

}  // namespace qx

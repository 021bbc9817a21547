#include "tools/qx/play_picture.h"

#include <cstring>

#include "format/video_kinds.h"

namespace qx {

namespace {

DisplaySurface* surface_like(Display& display, const SurfaceDesc& like) {
    SurfaceDesc desc{};
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_HEIGHT | SURFACE_DESC_WIDTH;
    desc.width = like.width;
    desc.height = like.height;
    desc.caps = SURFACE_OFFSCREEN_PLAIN | SURFACE_SYSTEM_MEMORY;
    DisplaySurface* surface = nullptr;
    return display.create_surface(desc, &surface) == PLATFORM_OK ? surface : nullptr;
}

// Whether the colour conversion of this frame kind leaves the brightness out: the summed
// colour tables of Mnb and of Zle without channel conversion do not depend on it.
bool colour_path_ignores_brightness(int32_t kind, int32_t zle_channel_conversion) {
    return kind == VIDEO_MNB || (kind == VIDEO_ZLE && zle_channel_conversion == 0);
}

}  // namespace

PlayPicture::~PlayPicture() {
    close();
}

bool PlayPicture::open(Display& display, DisplaySurface& primary, int32_t brightness) {
    close();
    SurfaceDesc desc{};
    if (primary.get_surface_desc(desc) != PLATFORM_OK ||
        primary.get_pixel_format(format_) != PLATFORM_OK) {
        return false;
    }
    staging_ = surface_like(display, desc);
    presented_ = surface_like(display, desc);
    adjusted_ = surface_like(display, desc);
    if (staging_ == nullptr || presented_ == nullptr || adjusted_ == nullptr) {
        close();
        return false;
    }
    primary_ = &primary;
    BltEffects black;
    staging_->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL | BLT_WAIT, &black);
    brightness_.set(format_, brightness);
    return true;
}

void PlayPicture::close() {
    std::lock_guard lock(mutex_);
    for (DisplaySurface** surface : {&staging_, &presented_, &adjusted_}) {
        if (*surface != nullptr) {
            (*surface)->release();
            *surface = nullptr;
        }
    }
    primary_ = nullptr;
}

void PlayPicture::frame_presented(int32_t kind, const VideoOutput& video) {
    std::lock_guard lock(mutex_);
    brightness_ignored_ = colour_path_ignores_brightness(kind, video.zle_channel_conversion);
    if (presented_ != nullptr) {
        presented_->blt(nullptr, staging_, nullptr, BLT_WAIT, nullptr);
    }
    show();
}

void PlayPicture::set_brightness(int32_t percent) {
    std::lock_guard lock(mutex_);
    brightness_.set(format_, percent);
    show();
}

// Shows the copy of the last presented picture, never the staging surface itself: the player
// draws its next frame there meanwhile, without the lock, while a key re-shows the picture.
void PlayPicture::show() {
    if (primary_ == nullptr) {
        return;
    }
    if (!brightened_here()) {
        primary_->blt(nullptr, presented_, nullptr, BLT_WAIT, nullptr);
        return;
    }
    adjusted_->blt(nullptr, presented_, nullptr, BLT_WAIT, nullptr);
    SurfaceDesc desc{};
    if (adjusted_->lock(nullptr, desc, LOCK_WAIT) != PLATFORM_OK) {
        return;
    }
    brightness_.apply(static_cast<uint8_t*>(desc.memory), desc.pitch,
                      static_cast<int32_t>(desc.width), static_cast<int32_t>(desc.height));
    adjusted_->unlock(desc.memory);
    primary_->blt(nullptr, adjusted_, nullptr, BLT_WAIT, nullptr);
}

bool PlayPicture::shown(RgbImage& picture) {
    std::lock_guard lock(mutex_);
    DisplaySurface* source = brightened_here() ? adjusted_ : presented_;
    SurfaceDesc desc{};
    if (source == nullptr || source->lock(nullptr, desc, LOCK_WAIT) != PLATFORM_OK) {
        return false;
    }
    // The display is 15 or 16 bits a pixel, its format told by its masks.
    const PixelLayout layout = pixel_layout_of_masks(format_.red_mask, format_.green_mask,
                                                     format_.blue_mask, format_.rgb_bit_count);
    const size_t row_bytes = desc.width * static_cast<size_t>(layout.bytes);
    if (desc.pitch < static_cast<int32_t>(row_bytes)) {
        source->unlock(desc.memory);
        return false;
    }
    std::vector<uint8_t> rows(row_bytes * desc.height);
    for (uint32_t row = 0; row < desc.height; ++row) {
        std::memcpy(rows.data() + row * row_bytes,
                    static_cast<const uint8_t*>(desc.memory) + size_t{row} * desc.pitch, row_bytes);
    }
    source->unlock(desc.memory);
    return display_pixels_to_rgb(layout, nullptr, rows.data(), static_cast<uint32_t>(row_bytes),
                                 static_cast<int32_t>(desc.height), picture);
}

}  // namespace qx

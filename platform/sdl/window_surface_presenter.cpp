#include "platform/sdl/window_surface_presenter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/sdl/picture_enlarge.h"

namespace qx {

namespace {

uint32_t* word_at(const PictureWords& words, int x, int y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(words.words) +
                                       static_cast<ptrdiff_t>(y) * words.pitch) +
           x;
}

// Black everywhere outside `place`.
void fill_borders(const PictureWords& words, const SDL_Rect& place) {
    for (int y = 0; y < words.height; ++y) {
        uint32_t* row = word_at(words, 0, y);
        if (y < place.y || y >= place.y + place.h) {
            std::fill(row, row + words.width, 0u);
        } else {
            std::fill(row, row + place.x, 0u);
            std::fill(row + place.x + place.w, row + words.width, 0u);
        }
    }
}

}  // namespace

WindowSurfacePresenter::WindowSurfacePresenter(SDL_Window* window) : window_(window) {}

WindowSurfacePresenter::~WindowSurfacePresenter() {
    // The window's own surface belongs to the window.
    if (staging_) {
        SDL_FreeSurface(staging_);
    }
}

void WindowSurfacePresenter::forget_output() {
    window_ = nullptr;
}

ScreenBuffer::PictureRows WindowSurfacePresenter::picture_rows() {
    picture_width_ = screen()->mode().width;
    picture_height_ = screen()->mode().height;
    picture_.resize(static_cast<size_t>(picture_width_) * picture_height_);
    return {picture_.data(), picture_width_ * 4};
}

void WindowSurfacePresenter::show_new_picture() {
    draw(false);
}

void WindowSurfacePresenter::redraw() {
    draw(true);
}

SDL_Surface* WindowSurfacePresenter::drawing_surface(SDL_Surface* window_surface) {
    if (window_surface->format->format == SDL_PIXELFORMAT_RGB888) {
        return window_surface;
    }
    if (!staging_ || staging_->w != window_surface->w || staging_->h != window_surface->h) {
        if (staging_) {
            SDL_FreeSurface(staging_);
        }
        staging_ = SDL_CreateRGBSurfaceWithFormat(0, window_surface->w, window_surface->h, 32,
                                                  SDL_PIXELFORMAT_RGB888);
    }
    return staging_;
}

void WindowSurfacePresenter::draw(bool whole) {
    if (!drawable()) {
        return;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    SDL_Surface* target = surface ? drawing_surface(surface) : nullptr;
    if (!target || (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0)) {
        return;
    }
    const PictureWords out{static_cast<uint32_t*>(target->pixels), target->w, target->h,
                           target->pitch};
    const SDL_Rect place = fit_rect(picture_width_, picture_height_, target->w, target->h);
    // An overlay may lie over the borders too: the whole window is drawn while there is one.
    whole = whole || overlay() != nullptr || surface != drawn_surface_ ||
            surface->w != drawn_width_ || surface->h != drawn_height_ ||
            !SDL_RectEquals(&place, &drawn_place_);
    if (whole) {
        fill_borders(out, place);
    }
    if (place.w > 0 && place.h > 0 && !picture_.empty()) {
        enlarge_picture({picture_.data(), picture_width_, picture_height_, picture_width_ * 4},
                        {word_at(out, place.x, place.y), place.w, place.h, out.pitch});
    }
    if (overlay()) {
        for (const OverlayLayer& layer : *overlay()) {
            blend_overlay_layer(layer, out);
        }
    }
    if (SDL_MUSTLOCK(target)) {
        SDL_UnlockSurface(target);
    }
    SDL_Rect shown = whole ? SDL_Rect{0, 0, surface->w, surface->h} : place;
    if (target != surface) {
        SDL_Rect to = shown;
        SDL_BlitSurface(target, &shown, surface, &to);
    }
    drawn_surface_ = surface;
    drawn_width_ = surface->w;
    drawn_height_ = surface->h;
    drawn_place_ = place;
    // Showing talks to the display: look once more that it is still there.
    if (drawable() && shown.w > 0 && shown.h > 0) {
        SDL_UpdateWindowSurfaceRects(window_, &shown, 1);
    }
}

bool WindowSurfacePresenter::read_pixels(std::vector<uint32_t>& pixels, int& width, int& height) {
    draw(true);
    SDL_Surface* surface = drawable() ? SDL_GetWindowSurface(window_) : nullptr;
    SDL_Surface* drawn = surface ? drawing_surface(surface) : nullptr;
    if (!drawn || drawn->w <= 0 || drawn->h <= 0 ||
        (SDL_MUSTLOCK(drawn) && SDL_LockSurface(drawn) != 0)) {
        return false;
    }
    width = drawn->w;
    height = drawn->h;
    pixels.resize(static_cast<size_t>(width) * height);
    const PictureWords words{static_cast<uint32_t*>(drawn->pixels), width, height, drawn->pitch};
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = word_at(words, 0, y);
        std::transform(row, row + width, pixels.begin() + static_cast<ptrdiff_t>(y) * width,
                       [](uint32_t pixel) { return pixel & 0xFFFFFF; });
    }
    if (SDL_MUSTLOCK(drawn)) {
        SDL_UnlockSurface(drawn);
    }
    return true;
}

}  // namespace qx

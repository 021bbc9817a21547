#include "platform/sdl/sdl_presenter.h"

#include <algorithm>

#include "platform/sdl/x11_connection_watch.h"

SDL_Rect fit_rect(int width, int height, int out_width, int out_height) {
    if (width <= 0 || height <= 0 || out_width <= 0 || out_height <= 0) {
        return {0, 0, 0, 0};
    }
    // Compare the two aspect ratios exactly in integers, then scale along the tighter side.
    int fit_width = out_width;
    int fit_height = out_height;
    if (int64_t{out_width} * height > int64_t{out_height} * width) {
        fit_width = static_cast<int>((int64_t{width} * out_height + height / 2) / height);
    } else {
        fit_height = static_cast<int>((int64_t{height} * out_width + width / 2) / width);
    }
    return {(out_width - fit_width) / 2, (out_height - fit_height) / 2, fit_width, fit_height};
}

SdlPresenter::SdlPresenter(SDL_Renderer* renderer) : renderer_(renderer) {}

SdlPresenter::~SdlPresenter() {
    if (texture_) {
        x11_guarded([this] { SDL_DestroyTexture(texture_); });
    }
}

void SdlPresenter::show_screen(std::shared_ptr<ScreenBuffer> screen) {
    screen_ = std::move(screen);
}

void SdlPresenter::abandon() {
    texture_ = nullptr;
    renderer_ = nullptr;
}

bool SdlPresenter::drawable() const {
    return renderer_ && !x11_connection_lost();
}

void SdlPresenter::update(PresentClock::time_point now, PresentClock::time_point& retry_at) {
    if (!screen_ || !drawable()) {
        return;
    }
    PresentClock::time_point ready_at = retry_at;
    const ScreenBuffer::Take take =
        screen_->take_picture(now, ready_at, [this] { return lock_texture(); });
    if (texture_locked_) {
        SDL_UnlockTexture(texture_);
        texture_locked_ = false;
    }
    if (take == ScreenBuffer::Take::later) {
        retry_at = std::min(retry_at, ready_at);
        return;
    }
    if (take == ScreenBuffer::Take::taken) {
        redraw();
    }
}

bool SdlPresenter::make_texture(int width, int height) {
    if (texture_ && width == texture_width_ && height == texture_height_) {
        return true;
    }
    if (texture_) {
        SDL_DestroyTexture(texture_);
    }
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 width, height);
    texture_width_ = texture_ ? width : 0;
    texture_height_ = texture_ ? height : 0;
    return texture_ != nullptr;
}

ScreenBuffer::PictureRows SdlPresenter::lock_texture() {
    void* texels = nullptr;
    int pitch = 0;
    if (!make_texture(screen_->mode().width, screen_->mode().height) ||
        SDL_LockTexture(texture_, nullptr, &texels, &pitch) != 0) {
        return {nullptr, 0};
    }
    texture_locked_ = true;
    return {static_cast<uint32_t*>(texels), pitch};
}

void SdlPresenter::draw() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (!texture_) {
        return;
    }
    int out_width = 0;
    int out_height = 0;
    SDL_GetRendererOutputSize(renderer_, &out_width, &out_height);
    const SDL_Rect place = fit_rect(texture_width_, texture_height_, out_width, out_height);
    // Whole-number enlargements keep every pixel sharp; other sizes are smoothed.
    const bool whole_scale = place.w % texture_width_ == 0 && place.h % texture_height_ == 0;
    SDL_SetTextureScaleMode(texture_, whole_scale ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_RenderCopy(renderer_, texture_, nullptr, &place);
}

void SdlPresenter::redraw() {
    if (!drawable()) {
        return;
    }
    draw();
    // Drawing only queued commands: presenting runs them, and asks the display for the
    // window's size first, so the display's going away meanwhile is looked for once more.
    if (drawable()) {
        SDL_RenderPresent(renderer_);
    }
}

bool SdlPresenter::read_pixels(std::vector<uint32_t>& pixels, int& width, int& height) {
    if (!drawable() || SDL_GetRendererOutputSize(renderer_, &width, &height) != 0 || width <= 0 ||
        height <= 0) {
        return false;
    }
    pixels.assign(static_cast<size_t>(width) * height, 0);
    draw();
    const bool read = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888,
                                           pixels.data(), width * 4) == 0;
    SDL_RenderPresent(renderer_);
    for (uint32_t& pixel : pixels) {
        pixel &= 0xFFFFFF;
    }
    return read;
}

void SdlPresenter::renderer_reset() {
    if (!drawable()) {
        return;
    }
    if (texture_) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
    }
    // The lost texture held the only converted copy; the screen's frame buffer still has it.
    if (screen_) {
        screen_->show_again();
    }
    redraw();
}

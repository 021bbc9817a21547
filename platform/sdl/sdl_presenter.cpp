#include "platform/sdl/sdl_presenter.h"

#include <algorithm>

#include "platform/sdl/x11_connection_watch.h"

namespace qx {

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

void SdlPresenter::show_screen(std::shared_ptr<ScreenBuffer> screen) {
    screen_ = std::move(screen);
}

void SdlPresenter::show_overlay(std::shared_ptr<const WindowOverlay> overlay) {
    overlay_ = std::move(overlay);
    if (drawable()) {
        overlay_changed();
        redraw();
    }
}

void SdlPresenter::abandon() {
    abandoned_ = true;
    forget_output();
}

bool SdlPresenter::drawable() const {
    return !abandoned_ && !x11_connection_lost();
}

void SdlPresenter::update(PresentClock::time_point now, PresentClock::time_point& retry_at) {
    if (!screen_ || !drawable()) {
        return;
    }
    PresentClock::time_point ready_at = retry_at;
    const ScreenBuffer::Take take =
        screen_->take_picture(now, ready_at, [this] { return picture_rows(); });
    picture_rows_done();
    if (take == ScreenBuffer::Take::later) {
        retry_at = std::min(retry_at, ready_at);
        return;
    }
    if (take == ScreenBuffer::Take::taken) {
        show_new_picture();
    }
}

}  // namespace qx

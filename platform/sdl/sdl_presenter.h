#pragma once
#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/sdl/screen_buffer.h"
#include "platform/sdl/window_overlay.h"

namespace qx {

// Shows a screen's pictures in one SDL window, centred and scaled with the aspect ratio kept,
// black around them. Main thread only. How the pictures reach the window is the subclass's
// affair: a renderer's texture, or the window's own surface.
class SdlPresenter {
  public:
    SdlPresenter() = default;
    virtual ~SdlPresenter() = default;
    SdlPresenter(const SdlPresenter&) = delete;
    SdlPresenter& operator=(const SdlPresenter&) = delete;

    void show_screen(std::shared_ptr<ScreenBuffer> screen);
    // Lays `overlay` over the pictures from now on (null or empty: nothing) and draws again.
    void show_overlay(std::shared_ptr<const WindowOverlay> overlay);
    // Shows the screen's newest picture if one is ready; otherwise lowers `retry_at` to when
    // one may be.
    void update(PresentClock::time_point now, PresentClock::time_point& retry_at);
    // Draws the current picture again (after an expose, a resize or a lost renderer).
    virtual void redraw() = 0;
    // The whole window as 0x00RRGGBB words, as it is shown now.
    virtual bool read_pixels(std::vector<uint32_t>& pixels, int& width, int& height) = 0;
    // The renderer lost its textures: build them again from the screen's picture.
    virtual void renderer_reset() {}
    // The window's display has gone away: forget SDL's objects without touching them (they
    // live on a connection that is dead); the presenter shows nothing from now on.
    void abandon();

  protected:
    // Whether there is something to draw with and its display is still there: once the
    // connection is known broken, nothing is asked of it, even before the window abandons this.
    bool drawable() const;
    const std::shared_ptr<ScreenBuffer>& screen() const { return screen_; }
    // What lies over the pictures; null when nothing does.
    const WindowOverlay* overlay() const {
        return overlay_ && !overlay_->empty() ? overlay_.get() : nullptr;
    }

  private:
    // Where the screen's next picture goes, as width x height words of 0x00RRGGBB.
    virtual ScreenBuffer::PictureRows picture_rows() = 0;
    // After a take, whether or not it wrote a picture: gives back what picture_rows locked.
    virtual void picture_rows_done() {}
    // A new picture is in the rows picture_rows gave: show it.
    virtual void show_new_picture() = 0;
    virtual void forget_output() = 0;
    // The overlay has changed: prepare what draws it.
    virtual void overlay_changed() {}

    std::shared_ptr<ScreenBuffer> screen_;
    std::shared_ptr<const WindowOverlay> overlay_;
    bool abandoned_ = false;
};

// Where a picture of width x height goes in an output of out_width x out_height: as large as
// fits with the aspect ratio kept, centred.
SDL_Rect fit_rect(int width, int height, int out_width, int out_height);

}  // namespace qx

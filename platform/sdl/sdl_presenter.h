#pragma once
#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/sdl/screen_buffer.h"

// Shows a screen's pictures in one SDL window: each complete picture is converted straight
// into a streaming texture drawn centred and scaled with its aspect ratio kept, black around
// it. Main thread only.
class SdlPresenter {
  public:
    explicit SdlPresenter(SDL_Renderer* renderer);
    ~SdlPresenter();
    SdlPresenter(const SdlPresenter&) = delete;
    SdlPresenter& operator=(const SdlPresenter&) = delete;

    void show_screen(std::shared_ptr<ScreenBuffer> screen);
    // Shows the screen's newest picture if one is ready; otherwise lowers `retry_at` to when
    // one may be.
    void update(PresentClock::time_point now, PresentClock::time_point& retry_at);
    // Draws the current picture again (after an expose, a resize or a lost renderer).
    void redraw();
    // The whole window as 0x00RRGGBB words, as it is shown now.
    bool read_pixels(std::vector<uint32_t>& pixels, int& width, int& height);
    // The renderer lost its textures: build them again from the screen's picture.
    void renderer_reset();
    // The window's display has gone away: forget the renderer and texture without touching
    // them (they live on a connection that is dead); the presenter shows nothing from now on.
    void abandon();

  private:
    // Whether there is a renderer to draw with and its display is still there: once the
    // connection is known broken, nothing is asked of it, even before the window abandons this.
    bool drawable() const;
    // A texture of the screen's size; false when none can be made.
    bool make_texture(int width, int height);
    // Where the screen's next picture goes: the locked texture.
    ScreenBuffer::PictureRows lock_texture();
    void draw();

    SDL_Renderer* renderer_;
    SDL_Texture* texture_ = nullptr;
    int texture_width_ = 0;
    int texture_height_ = 0;
    std::shared_ptr<ScreenBuffer> screen_;
    bool texture_locked_ = false;
};

// Where a picture of width x height goes in an output of out_width x out_height: as large as
// fits with the aspect ratio kept, centred.
SDL_Rect fit_rect(int width, int height, int out_width, int out_height);

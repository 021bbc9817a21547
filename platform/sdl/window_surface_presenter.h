#pragma once
#include <SDL.h>

#include <vector>

#include "platform/sdl/sdl_presenter.h"

namespace qx {

// Presents through the window's own surface (shared memory with the X server on X11): each
// picture is enlarged by our own code straight into the window's pixels, and only its place is
// sent again, the black borders once. The way where no graphics hardware draws the renderer:
// a software renderer would cost many times more for the same pixels.
class WindowSurfacePresenter final : public SdlPresenter {
  public:
    explicit WindowSurfacePresenter(SDL_Window* window);
    ~WindowSurfacePresenter() override;

    void redraw() override;
    bool read_pixels(std::vector<uint32_t>& pixels, int& width, int& height) override;

  private:
    ScreenBuffer::PictureRows picture_rows() override;
    void show_new_picture() override;
    void forget_output() override;
    // Draws the picture into the window's surface and shows it; `whole` also draws the borders
    // and shows all of the window, as does a surface new since the last drawing.
    void draw(bool whole);
    // Where the window's pixels are drawn as 0x00RRGGBB words: the window's surface when it has
    // that format, else a surface of its size that is then copied into it.
    SDL_Surface* drawing_surface(SDL_Surface* window_surface);

    SDL_Window* window_;
    // The newest picture, width x height words of 0x00RRGGBB.
    std::vector<uint32_t> picture_;
    int picture_width_ = 0;
    int picture_height_ = 0;
    SDL_Surface* staging_ = nullptr;
    // The window surface last drawn, its size and the picture's place in it: the borders
    // around that place are black.
    SDL_Surface* drawn_surface_ = nullptr;
    int drawn_width_ = 0;
    int drawn_height_ = 0;
    SDL_Rect drawn_place_{};
};

}  // namespace qx

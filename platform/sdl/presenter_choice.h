#pragma once
#include <SDL.h>

#include <memory>

#include "platform/sdl/sdl_presenter.h"

namespace qx {

// How a window's pictures reach the screen. Graphics hardware draws a renderer's texture for
// next to nothing; a renderer that draws in software (a software GL driver, or SDL's own
// renderer) costs far more than enlarging the pixels ourselves into the window's own surface.
// QX_PRESENTER=renderer or QX_PRESENTER=surface in the environment forces either way.
struct PresenterChoice {
    // Null on the surface way: SDL allows no renderer on a window whose surface is used.
    SDL_Renderer* renderer = nullptr;
    // Null when neither way can draw in the window.
    std::unique_ptr<SdlPresenter> presenter;
};

PresenterChoice choose_presenter(SDL_Window* window);

}  // namespace qx

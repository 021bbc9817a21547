#include "platform/sdl/presenter_choice.h"

#include <cstring>
#include <initializer_list>

#include "platform/sdl/texture_presenter.h"
#include "platform/sdl/window_surface_presenter.h"
#include "platform/sdl/x11_direct_rendering.h"

namespace qx {

namespace {

enum class PresentWay { automatic, renderer, surface };

PresentWay asked_way() {
    const char* asked = SDL_getenv("QX_PRESENTER");
    if (asked && std::strcmp(asked, "renderer") == 0) {
        return PresentWay::renderer;
    }
    if (asked && std::strcmp(asked, "surface") == 0) {
        return PresentWay::surface;
    }
    return PresentWay::automatic;
}

SDL_Renderer* create_renderer(SDL_Window* window) {
    // The first renderer SDL offers (or the one named by SDL_RENDER_DRIVER), in step with
    // the display's refresh; the software one when that cannot be had.
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    return renderer ? renderer : SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
}

// The GL driver's own name for itself, read from the context the renderer has just made
// current. SDL counts every GL renderer as accelerated, also those of a software driver.
bool gl_driver_is_software() {
    constexpr unsigned int GL_RENDERER_NAME = 0x1F01;
    using GetString = const unsigned char* (*)(unsigned int);
    const auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!get_string || !SDL_GL_GetCurrentContext()) {
        return false;
    }
    const auto* name = reinterpret_cast<const char*>(get_string(GL_RENDERER_NAME));
    if (!name) {
        return false;
    }
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (std::strstr(name, software)) {
            return true;
        }
    }
    return false;
}

bool renderer_is_software(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE)) {
        return true;
    }
    return std::strncmp(info.name, "opengl", 6) == 0 && gl_driver_is_software();
}

PresenterChoice surface_presenter(SDL_Window* window) {
    // Otherwise SDL would back the window's surface with a renderer of its own, in software
    // here: the very cost this way avoids. An SDL_FRAMEBUFFER_ACCELERATION set by the user wins.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    return {nullptr, std::make_unique<WindowSurfacePresenter>(window)};
}

}  // namespace

PresenterChoice choose_presenter(SDL_Window* window) {
    const PresentWay way = asked_way();
    // Without direct rendering not even the GL driver is loaded: that alone costs more than
    // all the pictures of a short movie.
    if (way == PresentWay::surface ||
        (way == PresentWay::automatic && !x11_direct_rendering_possible(window))) {
        return surface_presenter(window);
    }
    SDL_Renderer* renderer = create_renderer(window);
    if (!renderer) {
        return {};
    }
    if (way == PresentWay::automatic && renderer_is_software(renderer)) {
        SDL_DestroyRenderer(renderer);
        return surface_presenter(window);
    }
    return {renderer, std::make_unique<TexturePresenter>(renderer)};
}

}  // namespace qx

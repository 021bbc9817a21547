/* The public header after the window system's and SDL's own, as a program that shows movies
 * includes them: none of its names may meet theirs. */
#include <SDL2/SDL.h>
#include <X11/Xlib.h>
#include <qxplay/qxplay.h>

int qx_c_after_x11_sdl_check(void);

int qx_c_after_x11_sdl_check(void) {
    Display *display = NULL;
    qx_movie *movie = NULL;
    return display == NULL && movie == NULL && SDL_WasInit(0) == 0;
}

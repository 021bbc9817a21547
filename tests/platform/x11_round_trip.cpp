#include "tests/platform/x11_round_trip.h"

#include <SDL_syswm.h>

namespace qx {

bool x11_round_trip(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    XSync(info.info.x11.display, False);
    return true;
}

}  // namespace qx

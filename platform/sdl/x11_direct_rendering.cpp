#include "platform/sdl/x11_direct_rendering.h"

#include <SDL_syswm.h>

#include <initializer_list>

namespace qx {

bool x11_direct_rendering_possible(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return true;
    }
    int opcode = 0;
    int first_event = 0;
    int first_error = 0;
    for (const char* extension : {"DRI3", "DRI2"}) {
        if (XQueryExtension(info.info.x11.display, extension, &opcode, &first_event,
                            &first_error)) {
            return true;
        }
    }
    return false;
}

}  // namespace qx

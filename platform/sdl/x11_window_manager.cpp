#include "platform/sdl/x11_window_manager.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>

namespace qx {

bool window_manager_present(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return true;
    }
    // A window manager that follows the desktop conventions names its own window on the root.
    ::Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) {
        return false;
    }
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* value = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                          XA_WINDOW, &type, &format, &items, &after, &value);
    const bool present = status == Success && type == XA_WINDOW && items == 1;
    if (value != nullptr) {
        XFree(value);
    }
    return present;
}

}  // namespace qx

#include "platform/sdl/x11_connection_watch.h"

#include <SDL_syswm.h>

#include <atomic>

namespace {

std::atomic<bool> connection_lost{false};

// Called by Xlib in place of ending the program; returning leaves the connection marked dead,
// so that later calls on it do nothing.
void note_connection_lost(Display*, void*) {
    connection_lost.store(true);
}

// Xlib's first word on any broken connection of the process (SDL and the GL driver may hold
// connections of their own besides the window's): from here on that one ends nothing either.
int on_connection_broken(Display* display) {
    XSetIOErrorExitHandler(display, note_connection_lost, nullptr);
    connection_lost.store(true);
    return 0;
}

// Xlib's default answer to a request the server refused ends the program. A server going
// away refuses requests on windows it has already removed (a buffer swap in flight, say)
// before the connection breaks: such a refusal is not worth the program either.
int on_request_refused(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

void x11_watch_connection(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        XSetIOErrorHandler(on_connection_broken);
        XSetErrorHandler(on_request_refused);
        XSetIOErrorExitHandler(info.info.x11.display, note_connection_lost, nullptr);
    }
}

bool x11_connection_lost() {
    return connection_lost.load();
}

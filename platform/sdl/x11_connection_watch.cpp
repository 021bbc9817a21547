#include "platform/sdl/x11_connection_watch.h"

#include <SDL_syswm.h>
#include <poll.h>

#include <atomic>

namespace qx {

namespace {

std::atomic<bool> connection_lost{false};
// The watched connection's socket; -1 when none.
std::atomic<int> watched_socket{-1};
// How many x11_guarded calls the thread is inside.
thread_local int guarded_depth = 0;

// Called by Xlib in place of ending the program; returning leaves the connection marked dead,
// so that later calls on it do nothing.
void note_connection_lost(Display*, void*) {
    connection_lost.store(true);
}

// Xlib's first word on any broken connection of the process. Inside a guarded call it never
// returns into Xlib and the libraries above it. Elsewhere, returning hands over to the
// connection's exit handler, which for the watched one is note_connection_lost; any other
// (SDL keeps a second connection for messages to itself) still ends the program.
int on_connection_broken(Display*) {
    connection_lost.store(true);
    if (guarded_depth > 0) {
        throw X11ConnectionBroken{};
    }
    return 0;
}

// Xlib's default answer to a request the server refused ends the program. A server going
// away refuses requests on windows it has already removed (a buffer swap in flight, say)
// before the connection breaks: such a refusal is not worth the program either, and once
// the server is seen closing, a guarded caller is not left to go on with the failed request.
int on_request_refused(Display*, XErrorEvent*) {
    if (guarded_depth > 0 && x11_connection_lost()) {
        throw X11ConnectionBroken{};
    }
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
        watched_socket.store(ConnectionNumber(info.info.x11.display));
    }
}

void x11_forget_connection() {
    watched_socket.store(-1);
}

// Xlib learns that the server has gone only inside a call on the connection, and not every
// caller survives that: the software GL driver, failing to learn its window's size, goes on
// with an undefined one and may clear a buffer of gigabytes. So the socket is looked at first,
// without reading from it: the server's end closed (whatever it sent before) means lost.
bool x11_connection_lost() {
    const int socket = watched_socket.load();
    if (!connection_lost.load() && socket >= 0) {
        pollfd watched{socket, POLLRDHUP, 0};
        if (poll(&watched, 1, 0) > 0 && (watched.revents & (POLLRDHUP | POLLHUP | POLLERR))) {
            connection_lost.store(true);
        }
    }
    return connection_lost.load();
}

X11GuardedScope::X11GuardedScope() {
    ++guarded_depth;
}

X11GuardedScope::~X11GuardedScope() {
    --guarded_depth;
}

}  // namespace qx

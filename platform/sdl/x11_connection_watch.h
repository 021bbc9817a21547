#pragma once
#include <SDL.h>

namespace qx {

// Xlib ends the whole program when its connection to the X server breaks. A player has no
// reason to stop for that: once a window is watched, a broken connection is only noted, and
// the window system stops using the server's windows (playback goes on hidden); a request
// the server refuses is passed over as well.

// Watches the connection `window` is shown through, if it is an X11 one.
void x11_watch_connection(SDL_Window* window);
// Stops looking at the watched connection, before it is closed.
void x11_forget_connection();
// Whether a watched connection has broken, as Xlib found or as the server's closing of it shows.
bool x11_connection_lost();

// What Xlib's notice of a broken connection becomes inside x11_guarded.
struct X11ConnectionBroken {};

// Marks the calling thread as inside x11_guarded for its lifetime.
class X11GuardedScope {
  public:
    X11GuardedScope();
    ~X11GuardedScope();
    X11GuardedScope(const X11GuardedScope&) = delete;
    X11GuardedScope& operator=(const X11GuardedScope&) = delete;
};

// Runs `call`, which may reach the X server through SDL or the GL driver, unless the connection
// is known lost. Should the server go away in the middle of it, Xlib's notice is thrown out to
// here instead of returning into those libraries, which would go on with replies the dead
// server never sent (sizes left undefined, events waited for forever). True when `call` ran
// whole; what it left half done belongs to the dead connection and must not be touched again.
template <typename Call>
bool x11_guarded(Call&& call) {
    if (x11_connection_lost()) {
        return false;
    }
    try {
        const X11GuardedScope guarded;
        call();
        return true;
    } catch (const X11ConnectionBroken&) {
        return false;
    }
}

}  // namespace qx

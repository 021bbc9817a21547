#pragma once
#include <SDL.h>

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

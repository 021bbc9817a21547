#pragma once

namespace qx {

// Keeps what SDL and the system libraries it loads (the sound library, the display client
// library) print for themselves off the terminal, through each library's own logging hook:
// a player says in its own words what it fell back to. Idempotent; call before SDL starts a
// subsystem.
void quiet_library_logs();

}  // namespace qx

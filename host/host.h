#pragma once
#include <atomic>
#include <cstdint>

#include "player/play_params.h"

namespace qx {

// The test host: a full-screen window with a 640 x 480 x 16 display playing "ORLUND.MNB" from
// the current directory over and over, with the keyboard driving the player.
inline constexpr char HOST_TITLE[] = "Korvath (Orlund Capture)";
inline constexpr char HOST_MOVIE[] = "ORLUND.MNB";
inline constexpr uint32_t HOST_DISPLAY_WIDTH = 640;
inline constexpr uint32_t HOST_DISPLAY_HEIGHT = 480;
inline constexpr uint32_t HOST_DISPLAY_BITS = 16;
inline constexpr uint32_t HOST_PLAY_FLAGS = PLAY_CENTRE_X | PLAY_CENTRE_Y | PLAY_SCANLINES |
                                            PLAY_DOUBLE_WIDTH | PLAY_THREAD | PLAY_KEEP_BRIGHTNESS |
                                            PLAY_SOUND;

struct HostState {
    WindowHandle window = nullptr;
    Display* display = nullptr;
    DisplaySurface* primary_surface = nullptr;
    DisplaySurface* back_surface = nullptr;
    // Set by the keys on the main thread and read by whoever watches the host from another.
    std::atomic<int32_t> brightness{100};
    bool repeat_movie = true;
    PlayParams params{};
    PlayParams* playing = nullptr;
    bool quit_requested = false;
    bool replay_requested = false;
    bool start_failed = false;
    // Movies started so far, for whoever watches the host from another thread.
    std::atomic<int32_t> movies_started{0};
};

// Runs `host` on the calling (main) thread with the installed platform backend, start-up to
// shut-down. Returns the program's result: 0, or 1 when there is no display to open the window
// on or the movie cannot be started.
int host_run(HostState& host);

// Window side (host_window.cpp).
bool host_open_window(HostState& host);
void host_close_window(HostState& host);
// Handles at most one pending message; returns quit_requested. Its `host` is a HostState (the
// frame callback's user pointer).
int host_message_pump(void* host);

// Display side (host_display.cpp).
void host_open_display(HostState& host);
void host_close_display(HostState& host);

}  // namespace qx

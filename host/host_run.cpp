#include <cstdio>

#include "host/host.h"
#include "platform/kernel.h"
#include "player/player.h"

namespace qx {

namespace {

void fill_params(HostState& host) {
    host.params = PlayParams{};
    host.replay_requested = false;
    host.params.flags = HOST_PLAY_FLAGS;
    host.params.display = host.display;
    host.params.primary_surface = host.primary_surface;
    host.params.back_surface = host.back_surface;
    host.params.brightness = host.brightness;
    host.params.frame_callback_with_user = host_message_pump;
    host.params.frame_callback_user = &host;
}

// A movie is over when its loop has ended, or once its teardown has unlinked the context
// (a pause toggled at the very end may have written "running" over the closed status).
bool movie_over(PlayParams& params) {
    return !player_is_playing(params) || interlocked_load(params.context) == nullptr;
}

// The record is reused for the next movie only once the previous teardown has let go of it.
void wait_for_teardown(PlayParams& params) {
    while (interlocked_load(params.context) != nullptr) {
        window_sleep_ms(10);
    }
    thread_join(params.thread_handle);
}

void play_movies(HostState& host) {
    do {
        fill_params(host);
        host.playing = player_start(HOST_MOVIE, host.window, host.params);
        if (!host.playing) {
            std::printf("Failed to start movie:%s (check filename?)\n", HOST_MOVIE);
            host.quit_requested = true;
            host.start_failed = true;
            continue;
        }
        host.movies_started.fetch_add(1, std::memory_order_relaxed);
        int quit = host_message_pump(&host);
        while (!quit) {
            window_sleep_ms(50);
            if (movie_over(host.params)) {
                break;
            }
            quit = host_message_pump(&host);
        }
        wait_for_teardown(host.params);
    } while ((host.repeat_movie && !host.quit_requested) || host.replay_requested);
}

}  // namespace

int host_run(HostState& host) {
    host.brightness = 100;
    host.repeat_movie = true;
    host.quit_requested = false;
    host.replay_requested = false;
    host.start_failed = false;
    sleep_ms(500);
    if (!host_open_window(host)) {
        std::fprintf(stderr, "qxhost: no display to open the window on\n");
        return 1;
    }
    window_sleep_ms(200);
    host_open_display(host);
    if (host.primary_surface) {
        BltEffects effects;
        effects.fill_colour = 0;
        host.primary_surface->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL | BLT_WAIT, &effects);
    }
    window_sleep_ms(200);

    play_movies(host);

    window_sleep_ms(300);
    host_close_display(host);
    window_sleep_ms(300);
    host_close_window(host);
    std::fflush(stdout);
    return host.start_failed ? 1 : 0;
}

}  // namespace qx

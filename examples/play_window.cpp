// Plays one movie in a window with sound, through the library: qxplay's SDL backend gives the
// display and the sound device, the player runs on its own thread, and the main thread pumps
// the window's messages until the movie ends or the window is closed.
#include <qxplay/platform/kernel.h>
#include <qxplay/platform/sdl/sdl_backend.h>
#include <qxplay/platform/window.h>
#include <qxplay/player/player.h>

#include <cstdio>

// The player's C++ names live in namespace qx.
using namespace qx;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: play_window MOVIE\n");
        return 2;
    }
    SdlBackend backend;
    platform_install_backend(&backend);
    WindowClass window_class;
    window_class.procedure = window_default_procedure;
    window_class.name = "play_window";
    window_register_class(window_class);
    WindowHandle window =
        window_create("play_window", argv[1], WINDOW_STYLE_OVERLAPPED | WINDOW_STYLE_VISIBLE,
                      WINDOW_POSITION_DEFAULT, WINDOW_POSITION_DEFAULT, 640, 480);
    Display* display = nullptr;
    DisplaySurface* primary = nullptr;
    if (window == nullptr || display_create(&display) != PLATFORM_OK) {
        std::fprintf(stderr, "play_window: no window can be opened\n");
        return 1;
    }
    display->set_cooperative_level(window, COOPERATIVE_NORMAL);
    display->set_display_mode(640, 480, 16);
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS;
    desc.caps = SURFACE_PRIMARY;
    display->create_surface(desc, &primary);

    PlayParams params{};
    params.flags = PLAY_THREAD | PLAY_SOUND | PLAY_CENTRE_X | PLAY_CENTRE_Y;
    params.display = display;
    params.primary_surface = primary;
    params.brightness = 100;
    if (player_start(argv[1], window, params) == nullptr) {
        std::fprintf(stderr, "play_window: %s cannot be played\n", argv[1]);
        return 1;
    }
    WindowMessage message{};
    while (player_is_playing(params)) {
        while (window_peek_message(message)) {
            if (!window_get_message(message)) {
                player_stop(params);  // the window was closed
                break;
            }
            window_dispatch_message(message);
        }
        window_sleep_ms(10);
    }
    player_stop(params);  // waits for the teardown
    thread_join(params.thread_handle);
    primary->release();
    display->release();
    window_unregister_class("play_window");
    platform_install_backend(nullptr);
    return 0;
}

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sdl/sdl_window.h"
#include "platform/sdl/x11_connection_watch.h"
#include "tests/end_to_end/private_x_server.h"
#include "tests/platform/x11_round_trip.h"

namespace qx {

// The X server goes away while a call into it is under way, the one moment a check between
// calls cannot cover. Each case runs in a child process of its own, since a display lost stays
// lost for the process.
namespace {

constexpr char CLASS_NAME[] = "qx connection loss test";

intptr_t quiet_procedure(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return window_default_procedure(window, message, wparam, lparam);
}

// Exit statuses of the child, one for each way it can go wrong.
enum Outcome {
    DISPLAY_WENT_ON = 0,
    NO_SERVER = 2,
    NO_WINDOW = 3,
    CALL_NOT_CUT_SHORT = 4,
    LOSS_NOT_NOTED = 5,
    WINDOW_STILL_SHOWN = 6,
};

// Opens a window on a server of its own, ends the server in the middle of a guarded round trip,
// then uses and shuts down the window system as a player would; exits with the outcome.
[[noreturn]] void lose_the_server_in_a_call() {
    PrivateXServer server(320, 240);
    if (!server.ready()) {
        std::exit(NO_SERVER);
    }
    setenv("DISPLAY", server.display_name().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    WindowClass window_class;
    window_class.procedure = quiet_procedure;
    window_class.name = CLASS_NAME;
    WindowHandle window = nullptr;
    if (!window_register_class(window_class) ||
        !(window = window_create(CLASS_NAME, CLASS_NAME, WINDOW_STYLE_VISIBLE, 0, 0, 64, 48))) {
        std::exit(NO_WINDOW);
    }
    SDL_Window* sdl_window = SDL_GetWindowFromID(sdl_window_id(window));
    bool returned_into_the_call = false;
    const bool whole = x11_guarded([&] {
        server.shut_down();
        returned_into_the_call = x11_round_trip(sdl_window);
    });
    if (whole || returned_into_the_call) {
        std::exit(CALL_NOT_CUT_SHORT);
    }
    if (!x11_connection_lost()) {
        std::exit(LOSS_NOT_NOTED);
    }
    int32_t width = 0;
    int32_t height = 0;
    window_update(window);
    window_set_fullscreen(window, true);
    window_sleep_ms(20);
    if (window_client_size(window, width, height)) {
        std::exit(WINDOW_STILL_SHOWN);
    }
    window_destroy(window);
    window_unregister_class(CLASS_NAME);
    std::exit(DISPLAY_WENT_ON);
}

TEST(X11ConnectionLoss, ACallTheServerDiesInIsCutShortAndTheWindowSystemGoesOnWithout) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(lose_the_server_in_a_call(), testing::ExitedWithCode(DISPLAY_WENT_ON), "");
}

}  // namespace

}  // namespace qx

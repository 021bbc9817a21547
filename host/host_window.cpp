#include "host/host.h"
#include "player/player.h"

namespace qx {

namespace {

intptr_t host_window_procedure(WindowHandle window, uint32_t message, uintptr_t wparam,
                               intptr_t lparam) {
    switch (message) {
        case WINDOW_MESSAGE_PAINT:
        case WINDOW_MESSAGE_ERASE_BACKGROUND:
            return 1;
        case WINDOW_MESSAGE_SET_CURSOR:
            window_show_cursor(false);
            return 1;
        case WINDOW_MESSAGE_DESTROY:
            window_post_quit_message(0);
            break;
        default:
            break;
    }
    return window_default_procedure(window, message, wparam, lparam);
}

void host_key_down(HostState& host, uintptr_t key) {
    PlayParams& params = host.params;
    switch (key) {
        case KEY_SHIFT:
            player_toggle_pause(params);
            break;
        case KEY_ESCAPE:
            host.quit_requested = true;
            player_stop(params);
            break;
        case KEY_SPACE:
            player_stop(params);
            host.replay_requested = true;
            break;
        case KEY_ADD:
            host.brightness += 10;
            player_set_brightness(params, host.brightness);
            break;
        case KEY_SUBTRACT:
            host.brightness -= 10;
            if (host.brightness < 0) {
                host.brightness = 0;
            }
            player_set_brightness(params, host.brightness);
            break;
        default:
            break;
    }
}

}  // namespace

bool host_open_window(HostState& host) {
    WindowClass window_class;
    window_class.style = WINDOW_CLASS_DOUBLE_CLICKS;
    window_class.procedure = host_window_procedure;
    window_class.name = HOST_TITLE;
    if (!window_register_class(window_class)) {
        return false;
    }
    host.window =
        window_create(HOST_TITLE, HOST_TITLE,
                      WINDOW_STYLE_POPUP | WINDOW_STYLE_VISIBLE | WINDOW_STYLE_SYSTEM_MENU, 0, 0,
                      window_screen_width(), window_screen_height());
    if (!host.window) {
        window_unregister_class(HOST_TITLE);
        return false;
    }
    window_update(host.window);
    window_set_focus(host.window);
    return true;
}

void host_close_window(HostState& host) {
    window_unregister_class(HOST_TITLE);
    host.window = nullptr;
}

int host_message_pump(void* state) {
    HostState& host = *static_cast<HostState*>(state);
    WindowMessage message{};
    if (!window_peek_message(message)) {
        return host.quit_requested;
    }
    if (!window_get_message(message)) {
        // The window is gone: nobody could press Esc any more, so end as Esc would.
        host.quit_requested = true;
        player_stop(host.params);
        return host.quit_requested;
    }
    if (message.message == WINDOW_MESSAGE_KEY_DOWN) {
        host_key_down(host, message.wparam);
    }
    window_dispatch_message(message);
    return host.quit_requested;
}

}  // namespace qx

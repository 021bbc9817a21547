#include <SDL.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/presenter_choice.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_window.h"
#include "platform/sdl/x11_connection_watch.h"
#include "platform/sdl/x11_window_manager.h"

namespace qx {

// The window system over SDL. Everything here runs on the main thread, which SDL requires of
// windows, renderers and events; the player's threads only write frame buffers. Every call that
// may reach the display is guarded (x11_guarded), so that a display going away in the middle
// of one ends that call rather than the program.
namespace {

// How long the main thread waits at most before it looks at SDL's events again: soon enough
// for keys to feel immediate, seldom enough that the waking up costs next to nothing.
constexpr auto EVENT_SLICE = std::chrono::milliseconds(25);

struct SdlWindow {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    WindowProcedure procedure = nullptr;
    uint32_t class_style = 0;
    std::unique_ptr<SdlPresenter> presenter;
    bool fullscreen = false;
    // Full screen made by hand, for want of a window manager, and the place to go back to.
    bool fullscreen_by_hand = false;
    bool bordered = true;
    SDL_Rect windowed{};

    // The display it was shown on has gone: SDL's objects stay as they are (destroying them
    // would talk to a server that no longer listens), this window only forgets them.
    void abandon() {
        if (presenter) {
            presenter->abandon();
        }
        renderer = nullptr;
        window = nullptr;
    }

    ~SdlWindow() {
        presenter.reset();
        x11_guarded([this] {
            if (renderer) {
                SDL_DestroyRenderer(renderer);
            }
            if (window) {
                SDL_DestroyWindow(window);
            }
        });
    }
};

struct RegisteredClass {
    std::string name;
    WindowClass window_class;
};

struct WindowSystem {
    std::vector<RegisteredClass> classes;
    std::vector<std::unique_ptr<SdlWindow>> windows;
    std::deque<WindowMessage> queue;
    std::deque<std::string> dropped_files;
    bool display_lost = false;
};

WindowSystem& window_system() {
    static WindowSystem system;
    return system;
}

SdlWindow* find_window(WindowHandle handle) {
    for (const auto& window : window_system().windows) {
        if (window.get() == handle) {
            return window.get();
        }
    }
    return nullptr;
}

// Events for a window SDL does not name (pushed ones, or keys without focus) go to the first.
SdlWindow* window_by_id(uint32_t id) {
    WindowSystem& system = window_system();
    for (const auto& window : system.windows) {
        if (SDL_GetWindowID(window->window) == id) {
            return window.get();
        }
    }
    return system.windows.empty() ? nullptr : system.windows.front().get();
}

void post(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    window_system().queue.push_back({window, message, wparam, lparam});
}

void translate_window_event(const SDL_WindowEvent& event) {
    SdlWindow* window = window_by_id(event.windowID);
    if (!window) {
        return;
    }
    switch (event.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            window->presenter->redraw();
            post(window, WINDOW_MESSAGE_PAINT, 0, 0);
            break;
        case SDL_WINDOWEVENT_ENTER:
            post(window, WINDOW_MESSAGE_SET_CURSOR, 0, 0);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            post(window, WINDOW_MESSAGE_MOUSE_LEAVE, 0, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            post(window, WINDOW_MESSAGE_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

void translate_key_event(const SDL_KeyboardEvent& event) {
    const uint32_t key = virtual_key_from_sdl(event.keysym.sym);
    SdlWindow* window = window_by_id(event.windowID);
    if (key == 0 || !window) {
        return;
    }
    const bool down = event.type == SDL_KEYDOWN;
    post(window, down ? WINDOW_MESSAGE_KEY_DOWN : WINDOW_MESSAGE_KEY_UP, key,
         down && event.repeat ? WINDOW_KEY_REPEAT : 0);
}

intptr_t point_parameter(int32_t x, int32_t y) {
    return static_cast<intptr_t>((x & 0xFFFF) | (y & 0xFFFF) << 16);
}

void translate_button_event(const SDL_MouseButtonEvent& event) {
    SdlWindow* window = window_by_id(event.windowID);
    if (event.button != SDL_BUTTON_LEFT || !window) {
        return;
    }
    uint32_t message = WINDOW_MESSAGE_LEFT_BUTTON_UP;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        const bool double_click =
            event.clicks % 2 == 0 && (window->class_style & WINDOW_CLASS_DOUBLE_CLICKS) != 0;
        message = double_click ? WINDOW_MESSAGE_LEFT_BUTTON_DOUBLE_CLICK
                               : WINDOW_MESSAGE_LEFT_BUTTON_DOWN;
    }
    post(window, message, 0, point_parameter(event.x, event.y));
}

void translate_motion_event(const SDL_MouseMotionEvent& event) {
    if (SdlWindow* window = window_by_id(event.windowID)) {
        post(window, WINDOW_MESSAGE_MOUSE_MOVE, 0, point_parameter(event.x, event.y));
    }
}

// The wheel's event has no position: the pointer's is where it turned.
void translate_wheel_event(const SDL_MouseWheelEvent& event) {
    SdlWindow* window = window_by_id(event.windowID);
    const int32_t steps = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
    if (!window || steps == 0) {
        return;
    }
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    post(window, WINDOW_MESSAGE_MOUSE_WHEEL, static_cast<uintptr_t>(intptr_t{steps}),
         point_parameter(x, y));
}

void translate_drop_event(SDL_DropEvent& event) {
    SdlWindow* window = window_by_id(event.windowID);
    if (event.file == nullptr) {
        return;
    }
    if (window) {
        window_system().dropped_files.emplace_back(event.file);
        post(window, WINDOW_MESSAGE_DROP_FILES, 0, 0);
    }
    SDL_free(event.file);
}

// After the display has gone, windows are hidden for good and no events come: playback goes on
// unseen, and interrupt and terminate signals end the program as they would any other.
bool display_lost() {
    WindowSystem& system = window_system();
    if (!system.display_lost && x11_connection_lost()) {
        system.display_lost = true;
        for (const auto& window : system.windows) {
            window->abandon();
        }
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
    return system.display_lost;
}

// Runs `call`, which talks to the display; should the display go away meanwhile, the call ends
// where Xlib noticed and the windows are abandoned at once. True when it ran whole.
template <typename Call>
bool on_display(Call&& call) {
    if (x11_guarded(std::forward<Call>(call))) {
        return true;
    }
    display_lost();
    return false;
}

void translate_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_WINDOWEVENT:
                translate_window_event(event.window);
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                translate_key_event(event.key);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                translate_button_event(event.button);
                break;
            case SDL_MOUSEMOTION:
                translate_motion_event(event.motion);
                break;
            case SDL_MOUSEWHEEL:
                translate_wheel_event(event.wheel);
                break;
            case SDL_DROPFILE:
                translate_drop_event(event.drop);
                break;
            case SDL_DROPTEXT:
                SDL_free(event.drop.file);
                break;
            case SDL_QUIT:
                window_post_quit_message(0);
                break;
            case SDL_RENDER_TARGETS_RESET:
            case SDL_RENDER_DEVICE_RESET:
                for (const auto& window : window_system().windows) {
                    window->presenter->renderer_reset();
                }
                break;
            default:
                break;
        }
    }
}

void translate_pending_events() {
    if (display_lost()) {
        return;
    }
    on_display(translate_events);
}

// Shows every picture that is ready; returns when the next one may be.
PresentClock::time_point update_presenters(PresentClock::time_point until) {
    const PresentClock::time_point now = PresentClock::now();
    PresentClock::time_point retry_at = until;
    on_display([&] {
        for (const auto& window : window_system().windows) {
            window->presenter->update(now, retry_at);
        }
    });
    return retry_at;
}

// Shows pictures and gathers events until `deadline`, or until a message is waiting when
// `until_message` is set.
void serve_until(PresentClock::time_point deadline, bool until_message) {
    uint64_t seen = present_signal_count();
    for (;;) {
        translate_pending_events();
        const PresentClock::time_point now = PresentClock::now();
        const PresentClock::time_point retry_at =
            update_presenters(std::min(deadline, now + EVENT_SLICE));
        if (now >= deadline || (until_message && !window_system().queue.empty())) {
            return;
        }
        seen = present_signal_wait(seen, retry_at);
    }
}

void wait_on_main_thread(uint32_t milliseconds, bool until_message) {
    const auto deadline = PresentClock::now() + std::chrono::milliseconds(milliseconds);
    if (window_system().classes.empty()) {
        std::this_thread::sleep_until(deadline);
        return;
    }
    serve_until(deadline, until_message);
}

// SDL falls back to drivers that draw into memory when there is no screen; unless somebody
// asked for one of them by name, that counts as having no display.
bool start_video() {
    if (display_lost() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool headless =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (headless && !SDL_getenv("SDL_VIDEODRIVER")) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    return true;
}

// Full screen by the window manager, or by hand for want of one, and back.
void switch_fullscreen(SdlWindow& window, bool fullscreen) {
    SDL_Window* sdl_window = window.window;
    if (fullscreen) {
        SDL_GetWindowPosition(sdl_window, &window.windowed.x, &window.windowed.y);
        SDL_GetWindowSize(sdl_window, &window.windowed.w, &window.windowed.h);
        window.bordered = (SDL_GetWindowFlags(sdl_window) & SDL_WINDOW_BORDERLESS) == 0;
        window.fullscreen_by_hand = !window_manager_present(sdl_window);
    }
    if (!window.fullscreen_by_hand) {
        SDL_SetWindowFullscreen(sdl_window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    } else if (fullscreen) {
        SDL_Rect screen{};
        SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(sdl_window)), &screen);
        SDL_SetWindowBordered(sdl_window, SDL_FALSE);
        SDL_SetWindowPosition(sdl_window, screen.x, screen.y);
        SDL_SetWindowSize(sdl_window, screen.w, screen.h);
    } else {
        SDL_SetWindowBordered(sdl_window, window.bordered ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowSize(sdl_window, window.windowed.w, window.windowed.h);
        SDL_SetWindowPosition(sdl_window, window.windowed.x, window.windowed.y);
    }
    window.fullscreen = fullscreen;
    window.presenter->redraw();
}

}  // namespace

bool window_register_class(const WindowClass& window_class) {
    WindowSystem& system = window_system();
    if (!window_class.name || !window_class.procedure) {
        return false;
    }
    for (const RegisteredClass& registered : system.classes) {
        if (registered.name == window_class.name) {
            return false;
        }
    }
    if (system.classes.empty() && !start_video()) {
        return false;
    }
    system.classes.push_back({window_class.name, window_class});
    return true;
}

bool window_unregister_class(const char* class_name) {
    WindowSystem& system = window_system();
    const auto found = std::find_if(system.classes.begin(), system.classes.end(),
                                    [&](const RegisteredClass& c) { return c.name == class_name; });
    if (found == system.classes.end()) {
        return false;
    }
    system.classes.erase(found);
    if (system.classes.empty()) {
        while (!system.windows.empty()) {
            window_destroy(system.windows.back().get());
        }
        system.queue.clear();
        system.dropped_files.clear();
        if (!display_lost()) {
            x11_forget_connection();
            on_display([] { SDL_QuitSubSystem(SDL_INIT_VIDEO); });
        }
    }
    return true;
}

WindowHandle window_create(const char* class_name, const char* title, uint32_t style, int32_t x,
                           int32_t y, int32_t width, int32_t height) {
    WindowSystem& system = window_system();
    const auto found = std::find_if(system.classes.begin(), system.classes.end(),
                                    [&](const RegisteredClass& c) { return c.name == class_name; });
    if (found == system.classes.end() || width <= 0 || height <= 0 || display_lost()) {
        return nullptr;
    }
    // Hidden until its renderer is ready, and its connection watched from the start: a
    // display that goes away while the renderer is made (slow with a software GL) then ends
    // nothing, and nobody sees a window that cannot be drawn yet.
    uint32_t flags = SDL_WINDOW_HIDDEN;
    if (style & WINDOW_STYLE_POPUP) {
        flags |= SDL_WINDOW_BORDERLESS;
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    auto window = std::make_unique<SdlWindow>();
    window->procedure = found->window_class.procedure;
    window->class_style = found->window_class.style;
    const auto place = [](int32_t position) {
        return position == WINDOW_POSITION_DEFAULT ? int{SDL_WINDOWPOS_CENTERED} : position;
    };
    PresenterChoice choice;
    on_display([&] {
        window->window = SDL_CreateWindow(title, place(x), place(y), width, height, flags);
        if (window->window) {
            x11_watch_connection(window->window);
            choice = choose_presenter(window->window);
            window->renderer = choice.renderer;
        }
    });
    if (!choice.presenter) {
        if (x11_connection_lost()) {
            window->abandon();
        }
        return nullptr;
    }
    window->presenter = std::move(choice.presenter);
    system.windows.push_back(std::move(window));
    SdlWindow* created = system.windows.back().get();
    on_display([&] {
        if (style & WINDOW_STYLE_VISIBLE) {
            SDL_ShowWindow(created->window);
        }
        created->presenter->redraw();
    });
    return created;
}

void window_destroy(WindowHandle handle) {
    SdlWindow* window = find_window(handle);
    if (!window) {
        return;
    }
    window->procedure(handle, WINDOW_MESSAGE_DESTROY, 0, 0);
    WindowSystem& system = window_system();
    std::erase_if(system.queue, [&](const WindowMessage& m) { return m.window == handle; });
    std::erase_if(system.windows, [&](const auto& w) { return w.get() == window; });
}

void window_update(WindowHandle handle) {
    if (SdlWindow* window = find_window(handle)) {
        on_display([&] { window->presenter->redraw(); });
    }
}

void window_set_focus(WindowHandle handle) {
    if (SdlWindow* window = find_window(handle)) {
        on_display([&] { SDL_RaiseWindow(window->window); });
    }
}

void window_set_title(WindowHandle handle, const char* title) {
    SdlWindow* window = find_window(handle);
    if (window && window->window && title) {
        on_display([&] { SDL_SetWindowTitle(window->window, title); });
    }
}

void window_set_fullscreen(WindowHandle handle, bool fullscreen) {
    SdlWindow* window = find_window(handle);
    if (!window || !window->window || window->fullscreen == fullscreen) {
        return;
    }
    on_display([&] { switch_fullscreen(*window, fullscreen); });
}

bool window_is_fullscreen(WindowHandle handle) {
    SdlWindow* window = find_window(handle);
    return window && window->fullscreen;
}

bool window_client_size(WindowHandle handle, int32_t& width, int32_t& height) {
    SdlWindow* window = find_window(handle);
    if (!window || !window->window) {
        return false;
    }
    SDL_GetWindowSize(window->window, &width, &height);
    return true;
}

void window_show_cursor(bool visible) {
    if (!window_system().classes.empty() && !display_lost()) {
        on_display([visible] { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); });
    }
}

int32_t window_screen_width() {
    SDL_DisplayMode mode;
    if (window_system().classes.empty() || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return 0;
    }
    return mode.w;
}

int32_t window_screen_height() {
    SDL_DisplayMode mode;
    if (window_system().classes.empty() || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return 0;
    }
    return mode.h;
}

bool window_peek_message(WindowMessage& message) {
    WindowSystem& system = window_system();
    if (system.classes.empty()) {
        return false;
    }
    translate_pending_events();
    update_presenters(PresentClock::time_point::max());
    if (system.queue.empty()) {
        return false;
    }
    message = system.queue.front();
    return true;
}

bool window_get_message(WindowMessage& message) {
    WindowSystem& system = window_system();
    while (!window_peek_message(message)) {
        if (system.classes.empty() && system.queue.empty()) {
            message = {nullptr, WINDOW_MESSAGE_QUIT, 0, 0};
            return false;
        }
        serve_until(PresentClock::now() + EVENT_SLICE, false);
    }
    system.queue.pop_front();
    return message.message != WINDOW_MESSAGE_QUIT;
}

intptr_t window_dispatch_message(const WindowMessage& message) {
    SdlWindow* window = find_window(message.window);
    return window
               ? window->procedure(message.window, message.message, message.wparam, message.lparam)
               : 0;
}

intptr_t window_default_procedure(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
    if (message == WINDOW_MESSAGE_CLOSE) {
        window_destroy(window);
    }
    return 0;
}

void window_post_quit_message(int32_t exit_code) {
    post(nullptr, WINDOW_MESSAGE_QUIT, static_cast<uintptr_t>(exit_code), 0);
}

bool window_take_dropped_file(std::string& path) {
    std::deque<std::string>& dropped = window_system().dropped_files;
    if (dropped.empty()) {
        return false;
    }
    path = std::move(dropped.front());
    dropped.pop_front();
    return true;
}

void window_sleep_ms(uint32_t milliseconds) {
    wait_on_main_thread(milliseconds, false);
}

void window_wait_message_ms(uint32_t milliseconds) {
    wait_on_main_thread(milliseconds, true);
}

void sdl_window_show_screen(WindowHandle handle, std::shared_ptr<ScreenBuffer> screen) {
    if (SdlWindow* window = find_window(handle)) {
        window->presenter->show_screen(std::move(screen));
    }
}

void sdl_window_show_overlay(WindowHandle handle, std::shared_ptr<const WindowOverlay> overlay) {
    if (SdlWindow* window = find_window(handle)) {
        on_display([&] { window->presenter->show_overlay(std::move(overlay)); });
    }
}

bool sdl_window_read_pixels(WindowHandle handle, std::vector<uint32_t>& pixels, int& width,
                            int& height) {
    SdlWindow* window = find_window(handle);
    bool read = false;
    return window &&
           on_display([&] { read = window->presenter->read_pixels(pixels, width, height); }) &&
           read;
}

uint32_t sdl_window_id(WindowHandle handle) {
    SdlWindow* window = find_window(handle);
    return window ? SDL_GetWindowID(window->window) : 0;
}

}  // namespace qx

#pragma once
#include <cstdint>
#include <string>

namespace qx {

// The host's window system: window classes with a window procedure, windows, and a message
// queue pumped on the main thread. The SDL backend implements it (platform/sdl); the player
// itself only passes a window handle on (sound cooperative level, display cooperative level).
using WindowHandle = void*;

// Virtual-key codes delivered with key-down and key-up messages.
inline constexpr uint32_t KEY_BACKSPACE = 8;
inline constexpr uint32_t KEY_TAB = 9;
inline constexpr uint32_t KEY_RETURN = 13;
inline constexpr uint32_t KEY_SHIFT = 16;
inline constexpr uint32_t KEY_CONTROL = 17;
inline constexpr uint32_t KEY_ALT = 18;
inline constexpr uint32_t KEY_PAUSE = 19;
inline constexpr uint32_t KEY_ESCAPE = 27;
inline constexpr uint32_t KEY_SPACE = 32;
inline constexpr uint32_t KEY_PAGE_UP = 33;
inline constexpr uint32_t KEY_PAGE_DOWN = 34;
inline constexpr uint32_t KEY_END = 35;
inline constexpr uint32_t KEY_HOME = 36;
inline constexpr uint32_t KEY_LEFT = 37;
inline constexpr uint32_t KEY_UP = 38;
inline constexpr uint32_t KEY_RIGHT = 39;
inline constexpr uint32_t KEY_DOWN = 40;
inline constexpr uint32_t KEY_INSERT = 45;
inline constexpr uint32_t KEY_DELETE = 46;
inline constexpr uint32_t KEY_0 = 0x30;         // '0' to '9' follow
inline constexpr uint32_t KEY_A = 0x41;         // 'A' to 'Z' follow
inline constexpr uint32_t KEY_NUMPAD_0 = 0x60;  // numeric keypad 0 to 9 follow
inline constexpr uint32_t KEY_MULTIPLY = 106;
inline constexpr uint32_t KEY_ADD = 107;       // numeric keypad +
inline constexpr uint32_t KEY_SUBTRACT = 109;  // numeric keypad -
inline constexpr uint32_t KEY_DECIMAL = 110;
inline constexpr uint32_t KEY_DIVIDE = 111;
inline constexpr uint32_t KEY_F1 = 0x70;    // F1 to F12 follow
inline constexpr uint32_t KEY_PLUS = 0xBB;  // the main keyboard's =/+ key
inline constexpr uint32_t KEY_COMMA = 0xBC;
inline constexpr uint32_t KEY_MINUS = 0xBD;  // the main keyboard's -/_ key
inline constexpr uint32_t KEY_PERIOD = 0xBE;
inline constexpr uint32_t KEY_SLASH = 0xBF;  // the /? key

// Messages. Key messages carry the virtual key in `wparam`; bit 30 of `lparam` is set on an
// auto-repeated key-down.
inline constexpr uint32_t WINDOW_MESSAGE_DESTROY = 0x0002;
inline constexpr uint32_t WINDOW_MESSAGE_PAINT = 0x000F;
inline constexpr uint32_t WINDOW_MESSAGE_CLOSE = 0x0010;
inline constexpr uint32_t WINDOW_MESSAGE_QUIT = 0x0012;
inline constexpr uint32_t WINDOW_MESSAGE_ERASE_BACKGROUND = 0x0014;
inline constexpr uint32_t WINDOW_MESSAGE_SET_CURSOR = 0x0020;
inline constexpr uint32_t WINDOW_MESSAGE_KEY_DOWN = 0x0100;
inline constexpr uint32_t WINDOW_MESSAGE_KEY_UP = 0x0101;
// Mouse messages: lparam holds x in the low 16 bits and y in the next 16 (each signed), in
// pixels of the window's drawing area. A window whose class asks for double clicks gets the
// second press of one as WINDOW_MESSAGE_LEFT_BUTTON_DOUBLE_CLICK instead of a button down.
// The wheel's wparam is the steps it turned, as a signed value, positive away from the user.
inline constexpr uint32_t WINDOW_MESSAGE_MOUSE_MOVE = 0x0200;
inline constexpr uint32_t WINDOW_MESSAGE_LEFT_BUTTON_DOWN = 0x0201;
inline constexpr uint32_t WINDOW_MESSAGE_LEFT_BUTTON_UP = 0x0202;
inline constexpr uint32_t WINDOW_MESSAGE_LEFT_BUTTON_DOUBLE_CLICK = 0x0203;
inline constexpr uint32_t WINDOW_MESSAGE_MOUSE_WHEEL = 0x020A;
// Files were dropped on the window: window_take_dropped_file hands them out.
inline constexpr uint32_t WINDOW_MESSAGE_DROP_FILES = 0x0233;
// The pointer has left the window.
inline constexpr uint32_t WINDOW_MESSAGE_MOUSE_LEAVE = 0x02A3;

inline constexpr intptr_t WINDOW_KEY_REPEAT = 1 << 30;

struct WindowMessage {
    WindowHandle window;
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

using WindowProcedure = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wparam,
                                     intptr_t lparam);

inline constexpr uint32_t WINDOW_CLASS_DOUBLE_CLICKS = 0x8;

struct WindowClass {
    uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    const char* name = nullptr;
};

// Window styles: a pop-up window has no frame; an overlapped one has a title bar and can be
// resized.
inline constexpr uint32_t WINDOW_STYLE_POPUP = 0x80000000u;
inline constexpr uint32_t WINDOW_STYLE_VISIBLE = 0x10000000u;
inline constexpr uint32_t WINDOW_STYLE_SYSTEM_MENU = 0x00080000u;
inline constexpr uint32_t WINDOW_STYLE_OVERLAPPED = 0x00CF0000u;

// A window position left to the window system (which centres the window).
inline constexpr int32_t WINDOW_POSITION_DEFAULT = INT32_MIN;

// Registering the first class starts the window system; false when there is no display.
bool window_register_class(const WindowClass& window_class);
// Unregistering the last class shuts the window system down (every window must be gone).
bool window_unregister_class(const char* class_name);
// Null when the class is unknown or the window cannot be made.
WindowHandle window_create(const char* class_name, const char* title, uint32_t style, int32_t x,
                           int32_t y, int32_t width, int32_t height);
// Sends WINDOW_MESSAGE_DESTROY to the window's procedure, then destroys the window.
void window_destroy(WindowHandle window);
void window_update(WindowHandle window);
void window_set_focus(WindowHandle window);
void window_set_title(WindowHandle window, const char* title);
void window_set_fullscreen(WindowHandle window, bool fullscreen);
bool window_is_fullscreen(WindowHandle window);
// Size of the window's drawing area; false when the window is unknown.
bool window_client_size(WindowHandle window, int32_t& width, int32_t& height);
void window_show_cursor(bool visible);
// Size of the screen the windows appear on (0 when the window system is not started).
int32_t window_screen_width();
int32_t window_screen_height();

// The queue. All of these run on the main thread, which also keeps the windows' pictures
// current while it pumps or waits.
// True when a message is waiting; it stays in the queue.
bool window_peek_message(WindowMessage& message);
// Takes the next message, waiting for one; false when it is the quit message.
bool window_get_message(WindowMessage& message);
// Calls the procedure of the message's window and returns its result.
intptr_t window_dispatch_message(const WindowMessage& message);
// What a procedure does with messages it does not handle: a close request destroys the window.
intptr_t window_default_procedure(WindowHandle window, uint32_t message, uintptr_t wparam,
                                  intptr_t lparam);
void window_post_quit_message(int32_t exit_code);
// The path of the oldest file dropped on a window and not yet taken; false when none is left.
bool window_take_dropped_file(std::string& path);
// Waits `milliseconds` on the main thread, showing every frame completed meanwhile.
void window_sleep_ms(uint32_t milliseconds);
// Like window_sleep_ms, but returns as soon as a message is waiting.
void window_wait_message_ms(uint32_t milliseconds);

}  // namespace qx

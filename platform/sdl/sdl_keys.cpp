#include "platform/sdl/sdl_keys.h"

#include "platform/window.h"

namespace qx {

namespace {

struct KeyPair {
    SDL_Keycode sdl;
    uint32_t virtual_key;
};

// Keys outside the letter, digit, keypad-digit and function-key runs.
constexpr KeyPair NAMED_KEYS[] = {
    {SDLK_BACKSPACE, KEY_BACKSPACE},
    {SDLK_TAB, KEY_TAB},
    {SDLK_RETURN, KEY_RETURN},
    {SDLK_KP_ENTER, KEY_RETURN},
    {SDLK_LSHIFT, KEY_SHIFT},
    {SDLK_RSHIFT, KEY_SHIFT},
    {SDLK_LCTRL, KEY_CONTROL},
    {SDLK_RCTRL, KEY_CONTROL},
    {SDLK_LALT, KEY_ALT},
    {SDLK_RALT, KEY_ALT},
    {SDLK_PAUSE, KEY_PAUSE},
    {SDLK_ESCAPE, KEY_ESCAPE},
    {SDLK_SPACE, KEY_SPACE},
    {SDLK_PAGEUP, KEY_PAGE_UP},
    {SDLK_PAGEDOWN, KEY_PAGE_DOWN},
    {SDLK_END, KEY_END},
    {SDLK_HOME, KEY_HOME},
    {SDLK_LEFT, KEY_LEFT},
    {SDLK_UP, KEY_UP},
    {SDLK_RIGHT, KEY_RIGHT},
    {SDLK_DOWN, KEY_DOWN},
    {SDLK_INSERT, KEY_INSERT},
    {SDLK_DELETE, KEY_DELETE},
    {SDLK_KP_MULTIPLY, KEY_MULTIPLY},
    {SDLK_KP_PLUS, KEY_ADD},
    {SDLK_KP_MINUS, KEY_SUBTRACT},
    {SDLK_KP_PERIOD, KEY_DECIMAL},
    {SDLK_KP_DIVIDE, KEY_DIVIDE},
    {SDLK_EQUALS, KEY_PLUS},
    {SDLK_PLUS, KEY_PLUS},
    {SDLK_COMMA, KEY_COMMA},
    {SDLK_MINUS, KEY_MINUS},
    {SDLK_PERIOD, KEY_PERIOD},
    {SDLK_SLASH, KEY_SLASH},
    {SDLK_QUESTION, KEY_SLASH},
};

}  // namespace

uint32_t virtual_key_from_sdl(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return KEY_A + static_cast<uint32_t>(key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return KEY_0 + static_cast<uint32_t>(key - SDLK_0);
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return KEY_NUMPAD_0 + 1 + static_cast<uint32_t>(key - SDLK_KP_1);
    }
    if (key == SDLK_KP_0) {
        return KEY_NUMPAD_0;
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return KEY_F1 + static_cast<uint32_t>(key - SDLK_F1);
    }
    for (const KeyPair& pair : NAMED_KEYS) {
        if (pair.sdl == key) {
            return pair.virtual_key;
        }
    }
    return 0;
}

}  // namespace qx

#pragma once
#include <cstdint>

// An opaque window of the host. The player only passes it on (sound cooperative level).
using WindowHandle = void*;

// Virtual-key codes delivered with key-down messages.
inline constexpr uint32_t KEY_SHIFT = 16;
inline constexpr uint32_t KEY_ESCAPE = 27;
inline constexpr uint32_t KEY_SPACE = 32;
inline constexpr uint32_t KEY_ADD = 107;       // numeric keypad +
inline constexpr uint32_t KEY_SUBTRACT = 109;  // numeric keypad -

#pragma once
#include <SDL.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace qx {

// For tests that drive a program running on the main thread from a thread of their own.

// A movie of `frames` Mnb frames of 320 x 240, each with 1/15 s of silent PCM sound when
// `with_sound` (an audio header first).
void write_test_movie(const std::filesystem::path& path, int frames, bool with_sound);

// Polls `condition` until it holds or `limit` has passed; whether it held.
bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit);
// A key press as the keyboard would deliver it to the focused window.
void push_key(SDL_Keycode key);
// A left click at (x, y) in the first window.
void push_click(int x, int y);
// A file dropped on the first window, as a file manager drops one.
void push_drop(const std::string& path);
// The first window SDL has open, or null.
SDL_Window* first_sdl_window();

}  // namespace qx

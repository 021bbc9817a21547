#include "tests/platform/sdl_test_support.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "authoring/movie_writer.h"

namespace qx {

namespace {

// SDL maps the system's GL libraries with its windows and unmaps them when video ends; kept
// mapped, their frames have names, so that scripts/lsan.supp can tell their leaks from ours.
const bool gl_libraries_kept = [] {
    for (const char* name : {"libGL.so.1", "libGLX.so.0", "libGLX_mesa.so.0",
                             "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"}) {
        dlopen(name, RTLD_LAZY | RTLD_NODELETE);
    }
    return true;
}();

}  // namespace

void write_test_movie(const std::filesystem::path& path, int frames, bool with_sound) {
    MovieWriter writer;
    std::vector<uint8_t> audio(4 + 1470 * 4, 0);
    audio[0] = 1470 & 0xFF;
    audio[1] = 1470 >> 8;
    std::vector<uint8_t> video(64, 0);
    video[0] = 320 & 0xFF;
    video[1] = 320 >> 8;
    video[2] = 240;
    video[4] = 10;
    if (with_sound) {
        writer.audio_header(2, 22050, 0);
    }
    for (int frame = 0; frame < frames; ++frame) {
        if (with_sound) {
            writer.chunk("SCDl", audio);
        }
        writer.chunk("pBNM", video);
    }
    writer.chunk("SCEl", {});
    ASSERT_TRUE(writer.save(path.string()));
}

bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void push_key(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
}

void push_click(int x, int y) {
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = SDL_PRESSED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

void push_drop(const std::string& path) {
    SDL_Event event{};
    event.type = SDL_DROPFILE;
    // SDL's reader of the event frees the name, as it does the ones SDL makes.
    event.drop.file = SDL_strdup(path.c_str());
    SDL_PushEvent(&event);
}

SDL_Window* first_sdl_window() {
    // SDL numbers its windows from 1; a test opens only a few.
    for (uint32_t id = 1; id < 64; ++id) {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace qx

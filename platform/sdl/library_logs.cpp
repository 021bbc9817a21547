#include "platform/sdl/library_logs.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstdarg>
#include <mutex>

namespace qx {

namespace {

void drop_sdl_message(void*, int, SDL_LogPriority, const char*) {}

// The sound library's error handler and the display client library's log handler, as their
// headers declare them; SDL loads both at run time, so they are reached the same way.
using SoundErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                   const char* format, ...);
using SetSoundErrorHandler = int (*)(SoundErrorHandler handler);
using ClientLogHandler = void (*)(const char* format, va_list arguments);
using SetClientLogHandler = void (*)(ClientLogHandler handler);

void drop_sound_error(const char*, int, const char*, int, const char*, ...) {}
void drop_client_log(const char*, va_list) {}

// The library stays loaded for the life of the process, so that SDL finds the same copy with
// the handler set.
template <typename Setter, typename Handler>
void set_library_handler(const char* library, const char* setter_name, Handler handler) {
    void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return;
    }
    if (auto setter = reinterpret_cast<Setter>(dlsym(handle, setter_name))) {
        setter(handler);
    }
}

}  // namespace

void quiet_library_logs() {
    static std::once_flag once;
    std::call_once(once, [] {
        SDL_LogSetOutputFunction(drop_sdl_message, nullptr);
        set_library_handler<SetSoundErrorHandler>("libasound.so.2", "snd_lib_error_set_handler",
                                                  &drop_sound_error);
        set_library_handler<SetClientLogHandler>("libwayland-client.so.0",
                                                 "wl_log_set_handler_client", &drop_client_log);
    });
}

}  // namespace qx

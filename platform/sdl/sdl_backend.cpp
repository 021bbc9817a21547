#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>

#include "platform/sdl/library_logs.h"
#include "platform/sdl/sdl_display.h"
#include "platform/sdl/sdl_sound_device.h"

namespace qx {

SdlBackend::SdlBackend(bool with_sound) : with_sound_(with_sound) {
    quiet_library_logs();
}

// SDL's audio subsystem is started once, not per device: devices come and go on the
// player's threads while the next movie may already be opening one.
SdlBackend::~SdlBackend() {
    if (audio_started_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

PlatformResult SdlBackend::create_display(Display** display) {
    *display = new SdlDisplay;
    return PLATFORM_OK;
}

PlatformResult SdlBackend::create_sound(SoundDevice** device) {
    *device = nullptr;
    if (!with_sound_) {
        return PLATFORM_FAILED;
    }
    {
        std::lock_guard lock(audio_mutex_);
        if (!audio_started_) {
            audio_started_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        if (!audio_started_) {
            mix_->unavailable.store(true, std::memory_order_relaxed);
            return PLATFORM_FAILED;
        }
    }
    *device = new SdlSoundDevice(mix_);
    return PLATFORM_OK;
}

void SdlBackend::set_muted(bool muted) {
    mix_->muted.store(muted, std::memory_order_relaxed);
}

void SdlBackend::set_volume(int32_t percent) {
    mix_->volume.store(std::clamp(percent, 0, 100), std::memory_order_relaxed);
}

bool SdlBackend::muted() const {
    return mix_->muted.load(std::memory_order_relaxed);
}

bool SdlBackend::sound_unavailable() const {
    return mix_->unavailable.load(std::memory_order_relaxed);
}

}  // namespace qx

#include "platform/sdl/sdl_sound_device.h"

#include <new>

#include "platform/sdl/sdl_primary_buffer.h"
#include "platform/sdl/sdl_stream_buffer.h"

namespace qx {

SdlSoundDevice::SdlSoundDevice(std::shared_ptr<SoundMix> mix) : mix_(std::move(mix)) {}

PlatformResult SdlSoundDevice::set_cooperative_level(WindowHandle, uint32_t) {
    return PLATFORM_OK;
}

PlatformResult SdlSoundDevice::get_caps(SoundCaps& caps) {
    caps.flags = SOUND_CAPS_PRIMARY_MONO | SOUND_CAPS_PRIMARY_STEREO | SOUND_CAPS_PRIMARY_8BIT |
                 SOUND_CAPS_PRIMARY_16BIT;
    caps.min_secondary_sample_rate = 100;
    caps.max_secondary_sample_rate = 200000;
    return PLATFORM_OK;
}

PlatformResult SdlSoundDevice::create_sound_buffer(const SoundBufferDesc& desc,
                                                   SoundBuffer** buffer) {
    *buffer = nullptr;
    if (desc.flags & SOUND_BUFFER_PRIMARY) {
        if (desc.buffer_bytes != 0 || desc.format) {
            return PLATFORM_INVALID_ARGUMENT;
        }
        *buffer = new SdlPrimaryBuffer;
        return PLATFORM_OK;
    }
    if (!desc.format || !wave_format_playable(*desc.format) || desc.buffer_bytes < 4 ||
        desc.buffer_bytes > SDL_STREAM_BUFFER_MAX_BYTES) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    try {
        *buffer = SdlStreamBuffer::create(desc, mix_);
    } catch (const std::bad_alloc&) {
        return PLATFORM_OUT_OF_MEMORY;
    }
    return *buffer ? PLATFORM_OK : PLATFORM_FAILED;
}

}  // namespace qx

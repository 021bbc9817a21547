#include "platform/soft/soft_sound_device.h"

#include <new>

#include "platform/soft/soft_sound_buffer.h"

namespace qx {

SoftSoundDevice::SoftSoundDevice(std::shared_ptr<SoftState> state)
    : SoftObject(std::move(state), SOFT_SOUND_DEVICE, nullptr) {}

PlatformResult SoftSoundDevice::set_cooperative_level(WindowHandle /*window*/, uint32_t level) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.sound_cooperative_level)) {
        return PLATFORM_FAILED;
    }
    state_->counters.sound_cooperative_level = level;
    return PLATFORM_OK;
}

PlatformResult SoftSoundDevice::get_caps(SoundCaps& caps) {
    std::lock_guard lock(state_->mutex);
    if (soft_fault_trips(state_->faults.sound_caps)) {
        return PLATFORM_FAILED;
    }
    caps.flags = state_->config.sound_caps_flags;
    caps.min_secondary_sample_rate = SOFT_MIN_SAMPLE_RATE;
    caps.max_secondary_sample_rate = SOFT_MAX_SAMPLE_RATE;
    return PLATFORM_OK;
}

PlatformResult SoftSoundDevice::create_sound_buffer(const SoundBufferDesc& desc,
                                                    SoundBuffer** buffer) {
    std::lock_guard lock(state_->mutex);
    *buffer = nullptr;
    return (desc.flags & SOUND_BUFFER_PRIMARY) != 0 ? create_primary(desc, buffer)
                                                    : create_secondary(desc, buffer);
}

PlatformResult SoftSoundDevice::create_primary(const SoundBufferDesc& desc, SoundBuffer** buffer) {
    if (soft_fault_trips(state_->faults.primary_buffer_create)) {
        return PLATFORM_FAILED;
    }
    // The primary buffer's size and format belong to the device, not to the request.
    if (desc.buffer_bytes != 0 || desc.format != nullptr) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    *buffer = new SoftSoundBuffer(state_, this);
    return PLATFORM_OK;
}

PlatformResult SoftSoundDevice::create_secondary(const SoundBufferDesc& desc,
                                                 SoundBuffer** buffer) {
    if (soft_fault_trips(state_->faults.secondary_buffer_create)) {
        return PLATFORM_FAILED;
    }
    if (desc.format == nullptr || !soft_wave_format_valid(*desc.format)) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    // A buffer holds whole sample frames; the caps report the size granted.
    const uint32_t bytes = desc.buffer_bytes - desc.buffer_bytes % desc.format->block_align;
    if (bytes < SOFT_MIN_SOUND_BUFFER_BYTES || bytes > SOFT_MAX_SOUND_BUFFER_BYTES) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    try {
        *buffer = new SoftSoundBuffer(state_, this, desc.flags, bytes, *desc.format);
    } catch (const std::bad_alloc&) {
        return PLATFORM_OUT_OF_MEMORY;
    }
    return PLATFORM_OK;
}

}  // namespace qx

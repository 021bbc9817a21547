#include "platform/sdl/sdl_primary_buffer.h"

namespace qx {

bool wave_format_playable(const WaveFormat& format) {
    return format.format_tag == WAVE_FORMAT_PCM && (format.channels == 1 || format.channels == 2) &&
           (format.bits_per_sample == 8 || format.bits_per_sample == 16) &&
           format.samples_per_sec >= 100 && format.samples_per_sec <= 200000 &&
           format.block_align == format.channels * format.bits_per_sample / 8;
}

PlatformResult SdlPrimaryBuffer::get_caps(SoundBufferCaps& caps) {
    caps.flags = SOUND_BUFFER_PRIMARY;
    caps.buffer_bytes = BUFFER_BYTES;
    caps.unlock_transfer_rate = 0;
    caps.play_cpu_overhead = 0;
    return PLATFORM_OK;
}

PlatformResult SdlPrimaryBuffer::set_format(const WaveFormat& format) {
    return wave_format_playable(format) ? PLATFORM_OK : PLATFORM_INVALID_ARGUMENT;
}

PlatformResult SdlPrimaryBuffer::set_frequency(uint32_t) {
    return PLATFORM_FAILED;
}

PlatformResult SdlPrimaryBuffer::play(uint32_t, uint32_t, uint32_t) {
    return PLATFORM_OK;
}

PlatformResult SdlPrimaryBuffer::stop() {
    return PLATFORM_OK;
}

PlatformResult SdlPrimaryBuffer::get_current_position(uint32_t* play_cursor,
                                                      uint32_t* write_cursor) {
    if (play_cursor) {
        *play_cursor = 0;
    }
    if (write_cursor) {
        *write_cursor = 0;
    }
    return PLATFORM_OK;
}

// Only the device writes the primary buffer.
PlatformResult SdlPrimaryBuffer::lock(uint32_t, uint32_t, void**, uint32_t*, void**, uint32_t*,
                                      uint32_t) {
    return PLATFORM_FAILED;
}

PlatformResult SdlPrimaryBuffer::unlock(void*, uint32_t, void*, uint32_t) {
    return PLATFORM_FAILED;
}

}  // namespace qx

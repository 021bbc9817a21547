#include "audio/sound_output.h"

#include <atomic>
#include <cstring>

#include "platform/kernel.h"
#include "platform/sound.h"

namespace {

// Offsets in a stream buffer are 32-bit signed, and a write must stay inside it.
constexpr uint32_t STREAM_BYTES_LIMIT = 1u << 30;

void adopt_or_create_device(PlayerContext& context) {
    PlayParams& params = *context.params;
    if (params.sound != nullptr) {
        return;
    }
    context.sound.owns_sound = 1;
    SoundDevice* device = nullptr;
    if (sound_create(&device) != PLATFORM_OK || device == nullptr) {
        return;
    }
    if (device->set_cooperative_level(params.window, SOUND_COOPERATIVE_PRIORITY) != PLATFORM_OK) {
        device->release();
        return;
    }
    params.sound = device;
}

WaveFormat primary_format(uint32_t device_flags) {
    WaveFormat format;
    format.format_tag = WAVE_FORMAT_PCM;
    format.channels = (device_flags & SOUND_CAPS_PRIMARY_STEREO) ? 2 : 1;
    format.samples_per_sec = PRIMARY_SAMPLE_RATE;
    format.bits_per_sample = (device_flags & SOUND_CAPS_PRIMARY_16BIT) ? 16 : 8;
    format.block_align = static_cast<uint16_t>(format.channels * format.bits_per_sample / 8);
    format.avg_bytes_per_sec = format.block_align * PRIMARY_SAMPLE_RATE;
    format.extra_size = 0;
    return format;
}

int32_t buffer_bytes(SoundBuffer& buffer) {
    SoundBufferCaps caps;
    if (buffer.get_caps(caps) != PLATFORM_OK) {
        return -1;
    }
    return caps.buffer_bytes < STREAM_BYTES_LIMIT ? static_cast<int32_t>(caps.buffer_bytes) : -1;
}

// The looping stream buffer, playing; null when the device gives none that works.
SoundBuffer* start_stream_buffer(PlayerContext& context) {
    PlayParams& params = *context.params;
    const auto rate = static_cast<uint32_t>(context.sound.sample_rate);
    WaveFormat format;
    format.format_tag = WAVE_FORMAT_PCM;
    format.channels = 2;
    format.samples_per_sec = rate;
    format.avg_bytes_per_sec = rate * 4;
    format.block_align = 4;
    format.bits_per_sample = 16;
    format.extra_size = 0;
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_CTRL_DEFAULT | SOUND_BUFFER_GET_CURRENT_POSITION2;
    desc.buffer_bytes = static_cast<uint32_t>(context.sound.primary_buffer_bytes);
    desc.format = &format;
    SoundBuffer* buffer = nullptr;
    if (params.sound->create_sound_buffer(desc, &buffer) != PLATFORM_OK || buffer == nullptr) {
        return nullptr;
    }
    buffer->set_frequency(rate);
    // A buffer of no bytes would leave the tick nowhere to write.
    const int32_t bytes = buffer_bytes(*buffer);
    if (bytes <= 0) {
        buffer->release();
        return nullptr;
    }
    context.sound.stream_bytes = bytes;
    context.sound.silent = 0;
    context.sound.stream_write = 0;
    if (buffer->play(0, 0, SOUND_PLAY_LOOPING) != PLATFORM_OK) {
        buffer->release();
        return nullptr;
    }
    return buffer;
}

}  // namespace

int32_t sound_open(PlayerContext& context) {
    PlayParams& params = *context.params;
    if (!(params.flags & PLAY_SOUND)) {
        return 0;
    }
    adopt_or_create_device(context);
    if (params.sound == nullptr) {
        params.primary_sound_buffer = nullptr;
        return 0;
    }
    SoundCaps caps;
    const uint32_t device_flags = params.sound->get_caps(caps) == PLATFORM_OK ? caps.flags : 0;
    if (params.primary_sound_buffer != nullptr) {
        const int32_t bytes = buffer_bytes(*params.primary_sound_buffer);
        context.sound.primary_buffer_bytes = bytes > 0 ? bytes : 0;
        return 0;
    }
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_PRIMARY;
    SoundBuffer* primary = nullptr;
    if (params.sound->create_sound_buffer(desc, &primary) != PLATFORM_OK || primary == nullptr) {
        return 0;
    }
    if (primary->set_format(primary_format(device_flags)) != PLATFORM_OK) {
        primary->release();
        return 1;
    }
    params.primary_sound_buffer = primary;
    const int32_t bytes = buffer_bytes(*primary);
    context.sound.primary_buffer_bytes = bytes > 0 ? bytes : 0;
    context.sound.owns_primary_buffer = 1;
    return 0;
}

int32_t sound_stream_start(PlayerContext& context) {
    PlayParams& params = *context.params;
    SoundBuffer* buffer = nullptr;
    // A header's rate of 0 or below would give a buffer whose cursor never moves, and the
    // clock would stand still for ever: such a movie plays silent, at the silent pace.
    if (params.sound != nullptr && params.primary_sound_buffer != nullptr &&
        context.sound.sample_rate > 0) {
        buffer = start_stream_buffer(context);
    }
    if (buffer == nullptr) {
        context.sound.silent_play_pos = 0;
        context.sound.silent_start_tick = tick_count();
        context.sound.silent_ticks = 0;
        context.sound.stream_bytes = SILENT_STREAM_BYTES;
        context.sound.silent = 1;
        context.sound.stream_write = 0;
    }
    interlocked_store(params.stream_buffer, buffer);
    interlocked_store(context.sound.sound_started, 1);
    return 0;
}

namespace {

void silence_buffer(SoundBuffer& buffer, int32_t bytes) {
    void* regions[2] = {};
    uint32_t lengths[2] = {};
    if (buffer.lock(0, static_cast<uint32_t>(bytes), &regions[0], &lengths[0], &regions[1],
                    &lengths[1], 0) != PLATFORM_OK) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (regions[i] != nullptr) {
            std::memset(regions[i], 0, lengths[i]);
        }
    }
    buffer.unlock(regions[0], lengths[0], regions[1], lengths[1]);
}

}  // namespace

void sound_stream_restart(PlayerContext& context) {
    if (!interlocked_load(context.sound.sound_started)) {
        return;
    }
    context.sound.stream_block_sent = 0;
    interlocked_store(context.sound.stream_silence_bytes, 0);
    if (context.sound.silent) {
        context.sound.stream_write = context.sound.silent_play_pos;
        return;
    }
    SoundBuffer* buffer = interlocked_load(context.params->stream_buffer);
    if (buffer == nullptr) {
        return;
    }
    silence_buffer(*buffer, context.sound.stream_bytes);
    uint32_t play = 0;
    uint32_t write = 0;
    if (buffer->get_current_position(&play, &write) == PLATFORM_OK &&
        play < static_cast<uint32_t>(context.sound.stream_bytes)) {
        context.sound.stream_write = static_cast<int32_t>(play);
    }
}

int32_t sound_stream_release(PlayerContext& context) {
    PlayParams& params = *context.params;
    // Sequentially consistent, as the count and look of with_stream_buffer are: either that
    // call sees the buffer gone, or this one sees the call counted.
    SoundBuffer* buffer = std::atomic_ref<SoundBuffer*>(params.stream_buffer).exchange(nullptr);
    if (buffer != nullptr) {
        // A pause or resume that found the buffer before it was unlinked finishes with it first.
        while (std::atomic_ref<int32_t>(params.stream_users).load() != 0) {
            sleep_ms(1);
        }
        buffer->release();
    }
    return 0;
}

int32_t sound_close(PlayerContext& context) {
    PlayParams& params = *context.params;
    if (!(params.flags & PLAY_SOUND)) {
        return 0;
    }
    if (context.sound.owns_primary_buffer && params.primary_sound_buffer != nullptr) {
        params.primary_sound_buffer->release();
        params.primary_sound_buffer = nullptr;
    }
    if (context.sound.owns_sound && params.sound != nullptr) {
        params.sound->release();
        params.sound = nullptr;
    }
    return 0;
}

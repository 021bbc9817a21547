#include "audio/sound_output.h"

#include <atomic>
#include <cstring>

#include "platform/kernel.h"
#include "platform/sound.h"

namespace qx {

namespace {

// Offsets in a stream buffer are 32-bit signed, and a write must stay inside it.
constexpr uint32_t STREAM_BYTES_LIMIT = 1u << 30;

void adopt_or_create_device(SoundStream& sound) {
    SoundTarget& target = sound.target;
    if (*target.device != nullptr) {
        return;
    }
    sound.owns_sound = 1;
    SoundDevice* device = nullptr;
    if (sound_create(&device) != PLATFORM_OK || device == nullptr) {
        return;
    }
    if (device->set_cooperative_level(target.window, SOUND_COOPERATIVE_PRIORITY) != PLATFORM_OK) {
        device->release();
        return;
    }
    *target.device = device;
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
SoundBuffer* start_stream_buffer(SoundStream& sound) {
    SoundTarget& target = sound.target;
    const auto rate = static_cast<uint32_t>(sound.sample_rate);
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
    desc.buffer_bytes = static_cast<uint32_t>(sound.primary_buffer_bytes);
    desc.format = &format;
    SoundBuffer* buffer = nullptr;
    if ((*target.device)->create_sound_buffer(desc, &buffer) != PLATFORM_OK || buffer == nullptr) {
        return nullptr;
    }
    buffer->set_frequency(rate);
    // A buffer of no bytes would leave the tick nowhere to write.
    const int32_t bytes = buffer_bytes(*buffer);
    if (bytes <= 0) {
        buffer->release();
        return nullptr;
    }
    sound.stream_bytes = bytes;
    sound.silent = 0;
    sound.stream_write = 0;
    if (buffer->play(0, 0, SOUND_PLAY_LOOPING) != PLATFORM_OK) {
        buffer->release();
        return nullptr;
    }
    return buffer;
}

}  // namespace

int32_t sound_open(SoundStream& sound) {
    SoundTarget& target = sound.target;
    if (!target.open_sound) {
        return 0;
    }
    adopt_or_create_device(sound);
    if (*target.device == nullptr) {
        *target.primary_buffer = nullptr;
        return 0;
    }
    SoundCaps caps;
    const uint32_t device_flags = (*target.device)->get_caps(caps) == PLATFORM_OK ? caps.flags : 0;
    if (*target.primary_buffer != nullptr) {
        const int32_t bytes = buffer_bytes(**target.primary_buffer);
        sound.primary_buffer_bytes = bytes > 0 ? bytes : 0;
        return 0;
    }
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_PRIMARY;
    SoundBuffer* primary = nullptr;
    if ((*target.device)->create_sound_buffer(desc, &primary) != PLATFORM_OK ||
        primary == nullptr) {
        return 0;
    }
    if (primary->set_format(primary_format(device_flags)) != PLATFORM_OK) {
        primary->release();
        return 1;
    }
    *target.primary_buffer = primary;
    const int32_t bytes = buffer_bytes(*primary);
    sound.primary_buffer_bytes = bytes > 0 ? bytes : 0;
    sound.owns_primary_buffer = 1;
    return 0;
}

int32_t sound_stream_start(SoundStream& sound) {
    SoundTarget& target = sound.target;
    SoundBuffer* buffer = nullptr;
    // A header's rate of 0 or below would give a buffer whose cursor never moves, and the
    // clock would stand still for ever: such a movie plays silent, at the silent pace.
    if (*target.device != nullptr && *target.primary_buffer != nullptr && sound.sample_rate > 0) {
        buffer = start_stream_buffer(sound);
    }
    if (buffer == nullptr) {
        sound.silent_play_pos = 0;
        sound.silent_start_tick = tick_count();
        sound.silent_ticks = 0;
        sound.stream_bytes = SILENT_STREAM_BYTES;
        sound.silent = 1;
        sound.stream_write = 0;
    }
    interlocked_store(*target.stream_buffer, buffer);
    interlocked_store(sound.sound_started, 1);
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

void sound_stream_restart(SoundStream& sound) {
    if (!interlocked_load(sound.sound_started)) {
        return;
    }
    sound.stream_block_sent = 0;
    interlocked_store(sound.stream_silence_bytes, 0);
    if (sound.silent) {
        sound.stream_write = sound.silent_play_pos;
        return;
    }
    SoundBuffer* buffer = interlocked_load(*sound.target.stream_buffer);
    if (buffer == nullptr) {
        return;
    }
    silence_buffer(*buffer, sound.stream_bytes);
    uint32_t play = 0;
    uint32_t write = 0;
    if (buffer->get_current_position(&play, &write) == PLATFORM_OK &&
        play < static_cast<uint32_t>(sound.stream_bytes)) {
        sound.stream_write = static_cast<int32_t>(play);
    }
}

int32_t sound_stream_release(SoundStream& sound) {
    SoundTarget& target = sound.target;
    // Sequentially consistent, as the count and look of with_stream_buffer are: either that
    // call sees the buffer gone, or this one sees the call counted.
    SoundBuffer* buffer = std::atomic_ref<SoundBuffer*>(*target.stream_buffer).exchange(nullptr);
    if (buffer != nullptr) {
        // A pause or resume that found the buffer before it was unlinked finishes with it first.
        while (std::atomic_ref<int32_t>(*target.stream_users).load() != 0) {
            sleep_ms(1);
        }
        buffer->release();
    }
    return 0;
}

int32_t sound_close(SoundStream& sound) {
    SoundTarget& target = sound.target;
    if (!target.open_sound) {
        return 0;
    }
    if (sound.owns_primary_buffer && *target.primary_buffer != nullptr) {
        (*target.primary_buffer)->release();
        *target.primary_buffer = nullptr;
    }
    if (sound.owns_sound && *target.device != nullptr) {
        (*target.device)->release();
        *target.device = nullptr;
    }
    return 0;
}

}  // namespace qx

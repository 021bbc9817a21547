#pragma once
#include <cstdint>

#include "object.h"
#include "result.h"
#include "window.h"

namespace qx {

// Streaming sound: a device, its primary buffer and looping secondary buffers whose play
// cursor moves while they play, mirroring the sound service the player was designed for.

inline constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct WaveFormat {
    uint16_t format_tag = 0;
    uint16_t channels = 0;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;
    uint16_t extra_size = 0;
};

struct SoundBufferDesc {
    uint32_t size = 20;
    uint32_t flags = 0;
    uint32_t buffer_bytes = 0;
    uint32_t reserved = 0;
    const WaveFormat* format = nullptr;
};

struct SoundCaps {
    uint32_t size = 96;
    uint32_t flags = 0;
    uint32_t min_secondary_sample_rate = 0;
    uint32_t max_secondary_sample_rate = 0;
    uint32_t reserved[20] = {};
};

struct SoundBufferCaps {
    uint32_t size = 20;
    uint32_t flags = 0;
    uint32_t buffer_bytes = 0;
    uint32_t unlock_transfer_rate = 0;
    uint32_t play_cpu_overhead = 0;
};

inline constexpr uint32_t SOUND_CAPS_PRIMARY_MONO = 0x1;
inline constexpr uint32_t SOUND_CAPS_PRIMARY_STEREO = 0x2;
inline constexpr uint32_t SOUND_CAPS_PRIMARY_8BIT = 0x4;
inline constexpr uint32_t SOUND_CAPS_PRIMARY_16BIT = 0x8;

inline constexpr uint32_t SOUND_BUFFER_PRIMARY = 0x1;
inline constexpr uint32_t SOUND_BUFFER_CTRL_DEFAULT = 0xE0;
inline constexpr uint32_t SOUND_BUFFER_GET_CURRENT_POSITION2 = 0x10000;

inline constexpr uint32_t SOUND_PLAY_LOOPING = 0x1;
inline constexpr uint32_t SOUND_COOPERATIVE_PRIORITY = 2;

class SoundBuffer : public PlatformObject {
  public:
    virtual PlatformResult get_caps(SoundBufferCaps& caps) = 0;
    virtual PlatformResult set_format(const WaveFormat& format) = 0;  // primary buffer only
    virtual PlatformResult set_frequency(uint32_t samples_per_sec) = 0;
    virtual PlatformResult play(uint32_t reserved, uint32_t priority, uint32_t flags) = 0;
    // Stops at the current position; play() continues from there.
    virtual PlatformResult stop() = 0;
    virtual PlatformResult get_current_position(uint32_t* play_cursor, uint32_t* write_cursor) = 0;
    // Locks `bytes` bytes from `offset`; a region that crosses the end of the buffer comes as a
    // second region starting at offset 0 (second_bytes 0 otherwise).
    virtual PlatformResult lock(uint32_t offset, uint32_t bytes, void** first,
                                uint32_t* first_bytes, void** second, uint32_t* second_bytes,
                                uint32_t flags) = 0;
    virtual PlatformResult unlock(void* first, uint32_t first_bytes, void* second,
                                  uint32_t second_bytes) = 0;
};

class SoundDevice : public PlatformObject {
  public:
    virtual PlatformResult set_cooperative_level(WindowHandle window, uint32_t level) = 0;
    virtual PlatformResult get_caps(SoundCaps& caps) = 0;
    virtual PlatformResult create_sound_buffer(const SoundBufferDesc& desc,
                                               SoundBuffer** buffer) = 0;
};

// Creates the default sound device of the installed backend (platform/backend.h).
PlatformResult sound_create(SoundDevice** device);

}  // namespace qx

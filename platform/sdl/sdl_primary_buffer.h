#pragma once
#include "platform/sound.h"

namespace qx {

// The primary buffer: it accepts any playable output format (SDL converts whatever the
// streaming buffers play to what the card takes) and plays nothing itself; its size is what
// a streaming buffer of the player is made of.
class SdlPrimaryBuffer final : public SoundBuffer {
  public:
    static constexpr uint32_t BUFFER_BYTES = 32768;

    PlatformResult get_caps(SoundBufferCaps& caps) override;
    PlatformResult set_format(const WaveFormat& format) override;
    PlatformResult set_frequency(uint32_t samples_per_sec) override;
    PlatformResult play(uint32_t reserved, uint32_t priority, uint32_t flags) override;
    PlatformResult stop() override;
    PlatformResult get_current_position(uint32_t* play_cursor, uint32_t* write_cursor) override;
    PlatformResult lock(uint32_t offset, uint32_t bytes, void** first, uint32_t* first_bytes,
                        void** second, uint32_t* second_bytes, uint32_t flags) override;
    PlatformResult unlock(void* first, uint32_t first_bytes, void* second,
                          uint32_t second_bytes) override;
};

// Whether `format` is PCM that a buffer can play: 1 or 2 channels of 8 or 16 bits, 100 to
// 200,000 samples a second, with the block size those give.
bool wave_format_playable(const WaveFormat& format);

}  // namespace qx

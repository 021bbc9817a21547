#pragma once
#include <SDL.h>

#include <atomic>
#include <memory>
#include <semaphore>
#include <vector>

#include "platform/sdl/sound_mix.h"
#include "platform/sdl/stream_cursor.h"
#include "platform/sound.h"

namespace qx {

// A streaming buffer played by SDL's audio callback on SDL's audio thread. The callback takes
// the bytes at the play cursor and moves it on (wrapping when looping); a stopped buffer
// plays silence and keeps its cursor. Locked regions are guarded against the callback for the
// short time between lock and unlock.
class SdlStreamBuffer final : public SoundBuffer {
  public:
    // Opens an SDL audio device for the buffer; null when none can be opened.
    static SdlStreamBuffer* create(const SoundBufferDesc& desc, std::shared_ptr<SoundMix> mix);

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

  private:
    SdlStreamBuffer(const SoundBufferDesc& desc, std::shared_ptr<SoundMix> mix);
    ~SdlStreamBuffer() override;

    bool open_device(uint32_t samples_per_sec);
    void close_device();
    static void SDLCALL play_callback(void* buffer, Uint8* stream, int length);
    void fill(Uint8* stream, uint32_t length);
    uint8_t silence() const { return format_.bits_per_sample == 8 ? 0x80 : 0; }
    SDL_AudioFormat device_format() const {
        return format_.bits_per_sample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    }

    const uint32_t flags_;
    WaveFormat format_;
    std::vector<uint8_t> memory_;
    std::shared_ptr<SoundMix> mix_;
    StreamCursor cursor_;
    SDL_AudioDeviceID device_ = 0;
    std::atomic<bool> locked_{false};
    std::binary_semaphore memory_gate_{1};
};

}  // namespace qx

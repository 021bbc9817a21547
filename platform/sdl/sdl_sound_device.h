#pragma once
#include <memory>

#include "platform/sdl/sound_mix.h"
#include "platform/sound.h"

namespace qx {

// The default sound card through SDL. Its primary buffer reports SdlPrimaryBuffer's size;
// each streaming buffer opens an SDL audio device of its own (SDL mixes and converts), and
// one that cannot be opened is refused, which sends the player to silent mode.
class SdlSoundDevice final : public SoundDevice {
  public:
    explicit SdlSoundDevice(std::shared_ptr<SoundMix> mix);

    PlatformResult set_cooperative_level(WindowHandle window, uint32_t level) override;
    PlatformResult get_caps(SoundCaps& caps) override;
    PlatformResult create_sound_buffer(const SoundBufferDesc& desc, SoundBuffer** buffer) override;

  private:
    std::shared_ptr<SoundMix> mix_;
};

// Largest streaming buffer made: 16 MB, well beyond a second of any playable format.
inline constexpr uint32_t SDL_STREAM_BUFFER_MAX_BYTES = 16u << 20;

}  // namespace qx

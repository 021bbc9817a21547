#pragma once
#include <memory>

#include "platform/soft/soft_state.h"
#include "platform/sound.h"

namespace qx {

// The sound device: caps from the configuration, a primary buffer and secondary buffers, all of
// which go with it when its last reference goes.
class SoftSoundDevice : public SoundDevice, public SoftObject {
  public:
    explicit SoftSoundDevice(std::shared_ptr<SoftState> state);

    PlatformResult set_cooperative_level(WindowHandle window, uint32_t level) override;
    PlatformResult get_caps(SoundCaps& caps) override;
    PlatformResult create_sound_buffer(const SoundBufferDesc& desc, SoundBuffer** buffer) override;

    const void* face() const override { return static_cast<const SoundDevice*>(this); }

  private:
    void destroy() override { destroy_with_lock(); }
    PlatformResult create_primary(const SoundBufferDesc& desc, SoundBuffer** buffer);
    PlatformResult create_secondary(const SoundBufferDesc& desc, SoundBuffer** buffer);
};

}  // namespace qx

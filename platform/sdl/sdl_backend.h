#pragma once
#include <memory>
#include <mutex>

#include "../backend.h"
#include "sound_mix.h"

namespace qx {

// Displays shown in SDL windows and sound through SDL's audio devices. Install it on the main
// thread and keep it until every display and sound object is gone. Without sound (or when
// SDL finds no audio driver) sound devices cannot be created, so the player plays silently.
// What SDL and the system's sound and display libraries say goes nowhere near the terminal.
class SdlBackend final : public PlatformBackend {
  public:
    explicit SdlBackend(bool with_sound = true);
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    PlatformResult create_display(Display** display) override;
    PlatformResult create_sound(SoundDevice** device) override;

    // Mutes every buffer of every sound device of this backend; their cursors move on.
    void set_muted(bool muted);
    bool muted() const;
    // Plays every buffer at `percent` (0 to 100) of its loudness.
    void set_volume(int32_t percent);
    // Whether sound was asked for and the system had none to give (the player plays silently).
    bool sound_unavailable() const;

  private:
    const bool with_sound_;
    std::mutex audio_mutex_;
    bool audio_started_ = false;
    std::shared_ptr<SoundMix> mix_ = std::make_shared<SoundMix>();
};

}  // namespace qx

#include "tools/qx/play_platform.h"

#include "platform/sdl/sdl_backend.h"
#include "platform/soft/soft_backend.h"

namespace {

class SdlPlayPlatform final : public PlayPlatform {
  public:
    SdlPlayPlatform(bool with_windows, bool with_sound)
        : with_windows_(with_windows), backend_(with_sound) {}

    PlatformBackend& backend() override { return backend_; }
    bool has_windows() const override { return with_windows_; }
    void set_muted(bool muted) override { backend_.set_muted(muted); }
    bool sound_unavailable() const override { return backend_.sound_unavailable(); }

  private:
    const bool with_windows_;
    SdlBackend backend_;
};

}  // namespace

std::unique_ptr<PlayPlatform> make_windowed_platform(bool with_sound) {
    return std::make_unique<SdlPlayPlatform>(true, with_sound);
}

// Headless playback runs on the soft backend: a memory display nobody sees and no sound
// device, so the media clock runs in silent mode.
namespace {

class HeadlessPlayPlatform final : public PlayPlatform {
  public:
    HeadlessPlayPlatform() { backend_.faults().sound_create = SOFT_FAULT_ALWAYS; }

    PlatformBackend& backend() override { return backend_; }
    bool has_windows() const override { return false; }
    void set_muted(bool) override {}
    bool sound_unavailable() const override { return false; }

  private:
    SoftBackend backend_;
};

}  // namespace

std::unique_ptr<PlayPlatform> make_headless_platform() {
    return std::make_unique<HeadlessPlayPlatform>();
}

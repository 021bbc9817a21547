#include "tools/qx/play_platform.h"

#include "platform/sdl/sdl_backend.h"

namespace {

class SdlPlayPlatform final : public PlayPlatform {
  public:
    SdlPlayPlatform(bool with_windows, bool with_sound)
        : with_windows_(with_windows), backend_(with_sound) {}

    PlatformBackend& backend() override { return backend_; }
    bool has_windows() const override { return with_windows_; }
    void set_muted(bool muted) override { backend_.set_muted(muted); }

  private:
    const bool with_windows_;
    SdlBackend backend_;
};

}  // namespace

std::unique_ptr<PlayPlatform> make_windowed_platform(bool with_sound) {
    return std::make_unique<SdlPlayPlatform>(true, with_sound);
}

// The SDL display never touches SDL while no window is given to it, and without sound the
// backend makes no sound device, so it serves as the headless platform as it stands.
std::unique_ptr<PlayPlatform> make_headless_platform() {
    return std::make_unique<SdlPlayPlatform>(false, false);
}

#include "tools/qx/play_platform.h"

#include "platform/kernel.h"
#include "platform/soft/soft_backend.h"

namespace qx {

// Headless playback runs on the soft backend: a memory display nobody sees and no sound
// device, so the media clock runs in silent mode.
namespace {

class HeadlessPlayPlatform final : public PlayPlatform {
  public:
    HeadlessPlayPlatform() { backend_.faults().sound_create = SOFT_FAULT_ALWAYS; }

    PlatformBackend& backend() override { return backend_; }
    void set_muted(bool) override {}
    void set_volume(int32_t) override {}
    bool sound_unavailable() const override { return false; }

    bool open_window(const std::string&, int32_t, int32_t) override { return false; }
    void close_window() override {}
    WindowHandle window() const override { return nullptr; }
    bool next_message(WindowMessage&) override { return false; }
    bool client_size(int32_t&, int32_t&) const override { return false; }
    void toggle_fullscreen() override {}
    void set_title(const std::string&) override {}
    void show_controls(const PlayControls&) override {}
    bool take_dropped_file(std::string&) override { return false; }
    void wait_message_ms(uint32_t milliseconds) override { sleep_ms(milliseconds); }

  private:
    SoftBackend backend_;
};

}  // namespace

std::unique_ptr<PlayPlatform> make_headless_platform() {
    return std::make_unique<HeadlessPlayPlatform>();
}

}  // namespace qx

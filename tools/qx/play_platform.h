#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/window.h"
#include "tools/qx/play_controls.h"

namespace qx {

// The platform a `qx play` session runs on: a real window with the default sound card, or
// headless, with neither a window nor a sound device (the picture goes to a frame buffer
// nobody sees and the media clock runs in silent mode). The session reaches the window system
// through it alone, so that `qx` can load the windowed platform only when it opens a window.
class PlayPlatform {
  public:
    virtual ~PlayPlatform() = default;
    virtual PlatformBackend& backend() = 0;
    virtual void set_muted(bool muted) = 0;
    // Loudness in percent, 0 to 100.
    virtual void set_volume(int32_t percent) = 0;
    // Whether sound was wanted and the system had none (the movie plays silently).
    virtual bool sound_unavailable() const = 0;

    // The session's one window, sized for pictures of `picture_width` x `picture_height`;
    // false when it cannot be opened (always, headless).
    virtual bool open_window(const std::string& title, int32_t picture_width,
                             int32_t picture_height) = 0;
    // Closes the window system once the display is gone.
    virtual void close_window() = 0;
    virtual WindowHandle window() const = 0;
    // The next message waiting for the window, already dispatched to it; false when none waits.
    // The quit message comes back as WINDOW_MESSAGE_QUIT.
    virtual bool next_message(WindowMessage& message) = 0;
    // Size of the window's drawing area; false without a window.
    virtual bool client_size(int32_t& width, int32_t& height) const = 0;
    virtual void toggle_fullscreen() = 0;
    virtual void set_title(const std::string& title) = 0;
    // Draws `controls` over the picture from now on (nothing, once they are all off).
    virtual void show_controls(const PlayControls& controls) = 0;
    // The oldest file dropped on the window and not yet taken; false when none is left.
    virtual bool take_dropped_file(std::string& path) = 0;
    // Waits `milliseconds`, keeping the window's picture current, or less when a message comes.
    virtual void wait_message_ms(uint32_t milliseconds) = 0;
};

// Null, with the reason in `error`, when the window system cannot be loaded.
std::unique_ptr<PlayPlatform> make_windowed_platform(bool with_sound, std::string& error);
std::unique_ptr<PlayPlatform> make_headless_platform();

// The windowed platform as the window module hands it out: owned by the caller.
extern "C" PlayPlatform* qx_windowed_platform(bool with_sound);

}  // namespace qx

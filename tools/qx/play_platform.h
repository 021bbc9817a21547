#pragma once
#include <memory>

#include "platform/backend.h"

// The platform a `qx play` session runs on: a real window with the default sound card, or
// headless, with neither a window nor a sound device (the picture goes to a frame buffer
// nobody sees and the media clock runs in silent mode).
class PlayPlatform {
  public:
    virtual ~PlayPlatform() = default;
    virtual PlatformBackend& backend() = 0;
    // Whether a window can be opened on it.
    virtual bool has_windows() const = 0;
    virtual void set_muted(bool muted) = 0;
    // Whether sound was wanted and the system had none (the movie plays silently).
    virtual bool sound_unavailable() const = 0;
};

std::unique_ptr<PlayPlatform> make_windowed_platform(bool with_sound);
std::unique_ptr<PlayPlatform> make_headless_platform();

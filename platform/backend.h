#pragma once
#include "display.h"
#include "sound.h"

namespace qx {

// The display and sound services come from a backend: the soft one (memory, deterministic,
// every failure provokable) or the SDL one (a real window and sound card). File input, the
// timer and the kernel services are the same for both.
class PlatformBackend {
  public:
    virtual ~PlatformBackend() = default;
    virtual PlatformResult create_display(Display** display) = 0;
    virtual PlatformResult create_sound(SoundDevice** device) = 0;
};

// Installs the backend used by display_create and sound_create (not owned). With none
// installed, both fail.
void platform_install_backend(PlatformBackend* backend);
PlatformBackend* platform_installed_backend();

}  // namespace qx

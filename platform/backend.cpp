#include "platform/backend.h"

#include <atomic>

namespace qx {

namespace {
std::atomic<PlatformBackend*> installed_backend{nullptr};
}

void platform_install_backend(PlatformBackend* backend) {
    installed_backend = backend;
}

PlatformBackend* platform_installed_backend() {
    return installed_backend;
}

PlatformResult display_create(Display** display) {
    *display = nullptr;
    PlatformBackend* backend = installed_backend;
    return backend ? backend->create_display(display) : PLATFORM_FAILED;
}

PlatformResult sound_create(SoundDevice** device) {
    *device = nullptr;
    PlatformBackend* backend = installed_backend;
    return backend ? backend->create_sound(device) : PLATFORM_FAILED;
}

}  // namespace qx

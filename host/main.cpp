#include "host/host.h"
#include "platform/sdl/sdl_backend.h"

int main() {
    SdlBackend backend;
    platform_install_backend(&backend);
    const int result = host_run();
    platform_install_backend(nullptr);
    return result;
}

#include "host/host.h"

namespace qx {

void host_open_display(HostState& host) {
    if (display_create(&host.display) != PLATFORM_OK) {
        return;
    }
    const uint32_t level = COOPERATIVE_FULLSCREEN | COOPERATIVE_EXCLUSIVE | COOPERATIVE_ALLOW_MODEX;
    if (host.display->set_cooperative_level(host.window, level) != PLATFORM_OK) {
        return;
    }
    host.display->set_display_mode(HOST_DISPLAY_WIDTH, HOST_DISPLAY_HEIGHT, HOST_DISPLAY_BITS);
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_BACK_BUFFER_COUNT;
    desc.back_buffer_count = 1;
    desc.caps = SURFACE_PRIMARY | SURFACE_FLIP | SURFACE_COMPLEX;
    if (host.display->create_surface(desc, &host.primary_surface) != PLATFORM_OK) {
        return;
    }
    host.primary_surface->get_attached_surface(SURFACE_BACK_BUFFER, &host.back_surface);
}

void host_close_display(HostState& host) {
    if (host.back_surface) {
        host.back_surface->release();
        host.back_surface = nullptr;
    }
    if (host.primary_surface) {
        host.primary_surface->release();
        host.primary_surface = nullptr;
    }
    if (host.display) {
        host.display->restore_display_mode();
        window_sleep_ms(100);
        host.display->release();
        host.display = nullptr;
    }
}

}  // namespace qx

#include "video/display_setup.h"

#include <utility>

// Placeholder until video output lands.
void setup_display(PlayerContext& context) {
    if (context.params->audio_only) {
        return;
    }
    context.display_ready = 1;
}

void swap_work_surfaces(PlayerContext& context) {
    PlayParams& params = *context.params;
    std::swap(params.draw_surface, params.reference_surface);
    if (params.flags & PLAY_APP_BUFFERS) {
        std::swap(params.draw_buffer, params.reference_buffer);
    }
}

void release_display(PlayerContext& context) {
    context.display_ready = 0;
}

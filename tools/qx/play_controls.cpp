#include "tools/qx/play_controls.h"

#include <algorithm>

namespace qx {

ControlsLayout controls_layout(int32_t width, int32_t height) {
    ControlsLayout layout;
    // Big enough to hit and to read on a small window, never more than a third of it.
    const int32_t bar_height = std::min(std::clamp(height / 12, 30, 56), std::max(height / 3, 1));
    layout.margin = bar_height / 3;
    layout.bar = {0, height - bar_height, width, bar_height};
    layout.track = {layout.margin, layout.bar.y + bar_height / 8,
                    std::max(width - 2 * layout.margin, 1), std::max(bar_height / 6, 4)};
    layout.text_top = layout.track.y + layout.track.height + bar_height / 12;
    layout.text_height = std::max(height - layout.text_top - bar_height / 12, 1);
    return layout;
}

int32_t track_frame(const ControlsLayout& layout, int32_t x, int32_t frames) {
    if (frames <= 0) {
        return 0;
    }
    const int64_t along = std::clamp(x - layout.track.x, 0, layout.track.width - 1);
    return static_cast<int32_t>(along * frames / layout.track.width);
}

double track_played(const PlayStatus& status) {
    if (status.timed && status.duration_ms > 0) {
        return std::min(1.0, double(status.position_ms) / status.duration_ms);
    }
    if (status.frames > 0) {
        return std::clamp(double(status.frame + 1) / status.frames, 0.0, 1.0);
    }
    return 0;
}

std::string controls_time_text(const PlayControls& controls) {
    const PlayStatus& status = controls.status;
    std::string text = status.timed ? play_position_text(status)
                                    : "frame " + std::to_string(status.frame + 1) + " / " +
                                          std::to_string(status.frames);
    if (controls.frame_shown && status.timed) {
        text += "  frame " + std::to_string(status.frame);
    }
    return text;
}

std::string controls_state_text(const PlayControls& controls) {
    std::string text;
    if (controls.status.paused) {
        text += "paused  ";
    }
    if (controls.status.muted) {
        text += "muted  ";
    }
    text += "volume " + std::to_string(controls.volume) + "%  brightness " +
            std::to_string(controls.status.brightness) + "%";
    return text;
}

}  // namespace qx

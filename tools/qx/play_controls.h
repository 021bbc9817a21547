#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/qx/play_status.h"

namespace qx {

// What the on-screen controls of `qx play` show, as the session decides it; the window draws it
// over the picture. Nothing at all when `bar` is off and the rest empty.
struct PlayControls {
    bool bar = false;  // the bar along the bottom: time, seek bar and state
    PlayStatus status;
    int32_t volume = 100;      // percent
    bool frame_shown = false;  // the frame number beside the time (after a frame step)
    std::string message;       // a line of its own above the bar
    // Lines in the middle of the window: the keys, or the name and sound format of a movie
    // without pictures.
    std::vector<std::string> panel;

    bool visible() const { return bar || !message.empty() || !panel.empty(); }
    bool operator==(const PlayControls&) const = default;
};

struct ControlsRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool contains(int32_t px, int32_t py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
};

// Where the controls go in a window of `width` x `height`: the bar along the bottom edge, the
// seek track across its top part, the text below the track.
struct ControlsLayout {
    ControlsRect bar;
    ControlsRect track;
    int32_t text_top = 0;
    int32_t text_height = 0;  // of a line of text, in pixels
    int32_t margin = 0;       // between the window's edge and the track or text
};
ControlsLayout controls_layout(int32_t width, int32_t height);

// The frame of a movie of `frames` that the track shows at `x` (clamped to the track).
int32_t track_frame(const ControlsLayout& layout, int32_t x, int32_t frames);
// How much of the track is played: 0 to 1.
double track_played(const PlayStatus& status);

// The bar's two lines: "0:05 / 0:16" on the left (after a step with "  frame 12", numbered as `qx
// export` names its files) and the state on the right ("paused  muted  volume 80%  brightness
// 100%").
std::string controls_time_text(const PlayControls& controls);
std::string controls_state_text(const PlayControls& controls);

}  // namespace qx

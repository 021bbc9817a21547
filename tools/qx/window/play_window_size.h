#pragma once
#include <cstdint>

namespace qx {

struct WindowSize {
    int32_t width;
    int32_t height;
};

// The window a picture of `width` x `height` opens in on a screen of `screen_width` x
// `screen_height` (0 when unknown): enlarged by the largest whole factor that leaves a quarter
// of the screen free, or, when the picture does not fit the screen with room for the window's
// frame, made smaller with its aspect kept.
WindowSize play_window_size(int32_t width, int32_t height, int32_t screen_width,
                            int32_t screen_height);

}  // namespace qx

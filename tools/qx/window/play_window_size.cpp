#include "tools/qx/window/play_window_size.h"

#include <algorithm>

namespace qx {

WindowSize play_window_size(int32_t width, int32_t height, int32_t screen_width,
                            int32_t screen_height) {
    if (screen_width <= 0 || screen_height <= 0) {
        return {width, height};
    }
    // Room for the title bar, the frame and a panel.
    const int64_t room_width = int64_t{screen_width} * 9 / 10;
    const int64_t room_height = int64_t{screen_height} * 9 / 10;
    if (width > room_width || height > room_height) {
        // Scaled along the tighter side, compared exactly in integers.
        if (room_width * height < room_height * width) {
            return {static_cast<int32_t>(room_width),
                    static_cast<int32_t>(std::max<int64_t>(1, room_width * height / width))};
        }
        return {static_cast<int32_t>(std::max<int64_t>(1, room_height * width / height)),
                static_cast<int32_t>(room_height)};
    }
    const int32_t by_width = screen_width * 3 / 4 / width;
    const int32_t by_height = screen_height * 3 / 4 / height;
    const int32_t scale = std::max(1, std::min(by_width, by_height));
    return {width * scale, height * scale};
}

}  // namespace qx

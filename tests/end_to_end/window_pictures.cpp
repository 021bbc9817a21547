#include "tests/end_to_end/window_pictures.h"

#include <algorithm>

#include "platform/sdl/sdl_presenter.h"

namespace qx {

DisplayPicture play_display(const std::vector<uint8_t>& frame, int width, int height) {
    DisplayPicture display{width, height, {}};
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        display.pixels.push_back(displayed_bits(rgb_at(frame, i)));
    }
    return display;
}

bool shows(const Screenshot& shot, const DisplayPicture& display, int rows) {
    const SDL_Rect place = fit_rect(display.width, display.height, shot.width, shot.height);
    const int scale = place.w / display.width;
    if (scale < 1 || place.w != scale * display.width || place.h != scale * display.height) {
        return false;
    }
    const int compared = rows < 0 ? shot.height : std::min(rows, shot.height);
    for (int y = 0; y < compared; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool inside =
                x >= place.x && x < place.x + place.w && y >= place.y && y < place.y + place.h;
            const uint32_t expected =
                inside ? display.pixels[size_t((y - place.y) / scale) * display.width +
                                        size_t((x - place.x) / scale)]
                       : 0;
            if (displayed_bits(shot.pixels[size_t(y) * shot.width + x]) != expected) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace qx

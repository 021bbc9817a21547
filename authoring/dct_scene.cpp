#include "authoring/dct_scene.h"

#include <algorithm>
#include <cmath>

namespace qx {

std::vector<uint8_t> dct_scene(int32_t width, int32_t height, int32_t shift_x, int32_t shift_y) {
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    uint32_t noise = 12345;
    for (int32_t py = 0; py < height; ++py) {
        for (int32_t px = 0; px < width; ++px) {
            const double x = px - shift_x;
            const double y = py - shift_y;
            double r = 70 + 100.0 * py / height;
            double g = 110 + 80.0 * py / height + 20 * std::sin(x / 37);
            double b = 200 - 40.0 * py / height;
            const double dx = x - width * 0.4;
            const double dy = y - height * 0.5;
            const double radius = std::min(width, height) * 0.3;
            if (dx * dx + dy * dy < radius * radius) {
                const double light =
                    1 - std::hypot(dx + radius / 3, dy + radius / 3) / radius / 1.6;
                r = 230 * light + 20;
                g = 120 * light + 10;
                b = 40 * light + 10;
            }
            if (x > width * 0.7 && x < width * 0.9) {
                const bool stripe = int(std::floor(y / 6)) % 2 == 0;
                r = g = b = stripe ? 235 : 30;
            }
            if (y > height * 0.8 && x < width * 0.3) {
                r = 15, g = 20, b = 25;
            }
            noise = noise * 1103515245 + 12345;
            const double grain = int((noise >> 16) % 9) - 4;
            uint8_t* p = rgb.data() + 3 * (size_t(py) * width + px);
            p[0] = uint8_t(std::clamp(r + grain, 0.0, 255.0));
            p[1] = uint8_t(std::clamp(g + grain, 0.0, 255.0));
            p[2] = uint8_t(std::clamp(b + grain, 0.0, 255.0));
        }
    }
    return rgb;
}

}  // namespace qx

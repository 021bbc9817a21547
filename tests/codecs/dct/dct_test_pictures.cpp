#include "tests/codecs/dct/dct_test_pictures.h"

#include <algorithm>
#include <cmath>

namespace qx {

double psnr_565(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& picture) {
    double squared = 0;
    const size_t pixels = rgb.size() / 3;
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t p = picture[2 * i] | picture[2 * i + 1] << 8;
        // Widened as the screen and `qx export` show it: bits repeated, full intensity 255.
        const uint32_t red = p >> 11;
        const uint32_t green = (p >> 5) & 63;
        const uint32_t blue = p & 31;
        const double shown[3] = {double(red << 3 | red >> 2), double(green << 2 | green >> 4),
                                 double(blue << 3 | blue >> 2)};
        for (int c = 0; c < 3; ++c) {
            const double d = shown[c] - rgb[3 * i + c];
            squared += d * d;
        }
    }
    const double mse = squared / double(pixels * 3);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace qx

#include "tests/codecs/dct/dct_test_pictures.h"

#include <algorithm>
#include <cmath>

double psnr_565(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& picture) {
    double squared = 0;
    const size_t pixels = rgb.size() / 3;
    for (size_t i = 0; i < pixels; ++i) {
        const uint32_t p = picture[2 * i] | picture[2 * i + 1] << 8;
        // The tables round a level L to (L + 4) / 8 and (L + 2) / 4: the pixel stands for the
        // field times its step.
        const double shown[3] = {(p >> 11) * 8.0, ((p >> 5) & 63) * 4.0, (p & 31) * 8.0};
        for (int c = 0; c < 3; ++c) {
            const double d = shown[c] - rgb[3 * i + c];
            squared += d * d;
        }
    }
    const double mse = squared / double(pixels * 3);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

#include "authoring/dct_picture.h"

#include <algorithm>

namespace qx {

void macroblock_pixels(const RgbPicture& picture, int32_t x, int32_t y, uint8_t* rgb) {
    for (int32_t row = 0; row < 16; ++row) {
        const int32_t from_y = std::min(y + row, picture.height - 1);
        for (int32_t column = 0; column < 16; ++column) {
            const int32_t from_x = std::min(x + column, picture.width - 1);
            const uint8_t* from = picture.rgb + 3 * (size_t(from_y) * picture.width + from_x);
            std::copy(from, from + 3, rgb + 3 * (16 * row + column));
        }
    }
}

int64_t squared_error(const uint8_t* a, const uint8_t* b, size_t count) {
    int64_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t d = int32_t(a[i]) - int32_t(b[i]);
        sum += d * d;
    }
    return sum;
}

}  // namespace qx

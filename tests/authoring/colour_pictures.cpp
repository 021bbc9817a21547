#include "tests/authoring/colour_pictures.h"

#include <algorithm>
#include <cmath>

#include "authoring/dct_scene.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 160;
constexpr int32_t HEIGHT = 64;

void put(ColourPicture& picture, int32_t x, int32_t y, const uint8_t* colour) {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
        return;
    }
    std::copy(colour, colour + 3, &picture.rgb[3 * (size_t(y) * picture.width + x)]);
}

ColourPicture blank(const char* name, int32_t width, int32_t height) {
    return {name, width, height, std::vector<uint8_t>(size_t(width) * height * 3, 0)};
}

}  // namespace

ColourPicture colour_bars(int32_t width, int32_t height, uint8_t level) {
    ColourPicture picture = blank(level == 255 ? "colour bars" : "75% colour bars", width, height);
    // Red, green and blue on or off for each bar, white first.
    const int bars[8][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0},
                            {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const int* bar = bars[x * 8 / width];
            const uint8_t colour[3] = {uint8_t(bar[0] * level), uint8_t(bar[1] * level),
                                       uint8_t(bar[2] * level)};
            put(picture, x, y, colour);
        }
    }
    return picture;
}

ColourPicture hue_sweep(int32_t width, int32_t height) {
    ColourPicture picture = blank("hue sweep", width, height);
    for (int32_t y = 0; y < height; ++y) {
        const double value = 255 - 127.0 * y / std::max(1, height - 1);
        for (int32_t x = 0; x < width; ++x) {
            const double hue = 6.0 * x / width;
            const double f = hue - std::floor(hue);
            const double rising = value * f;
            const double falling = value * (1 - f);
            double rgb[3];
            switch (int(hue)) {
                case 0:
                    rgb[0] = value, rgb[1] = rising, rgb[2] = 0;
                    break;
                case 1:
                    rgb[0] = falling, rgb[1] = value, rgb[2] = 0;
                    break;
                case 2:
                    rgb[0] = 0, rgb[1] = value, rgb[2] = rising;
                    break;
                case 3:
                    rgb[0] = 0, rgb[1] = falling, rgb[2] = value;
                    break;
                case 4:
                    rgb[0] = rising, rgb[1] = 0, rgb[2] = value;
                    break;
                default:
                    rgb[0] = value, rgb[1] = 0, rgb[2] = falling;
                    break;
            }
            const uint8_t colour[3] = {uint8_t(std::lround(rgb[0])), uint8_t(std::lround(rgb[1])),
                                       uint8_t(std::lround(rgb[2]))};
            put(picture, x, y, colour);
        }
    }
    return picture;
}

ColourPicture red_blue_gradient(int32_t width, int32_t height) {
    ColourPicture picture = blank("red-blue gradient", width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const auto blue = uint8_t(std::lround(255.0 * x / std::max(1, width - 1)));
            const uint8_t colour[3] = {uint8_t(255 - blue), 0, blue};
            put(picture, x, y, colour);
        }
    }
    return picture;
}

ColourPicture saturated_details(int32_t width, int32_t height, bool white_ground) {
    ColourPicture picture =
        blank(white_ground ? "details on white" : "details on black", width, height);
    if (white_ground) {
        std::fill(picture.rgb.begin(), picture.rgb.end(), 255);
    }
    const uint8_t colours[6][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                   {255, 0, 255}, {255, 255, 0}, {0, 255, 255}};
    int32_t n = 0;
    for (int32_t cy = 4; cy + 8 < height; cy += 12) {
        for (int32_t cx = 3; cx + 8 < width; cx += 11, ++n) {
            const uint8_t* colour = colours[n % 6];
            switch (n % 4) {
                case 0:  // a single dot
                    put(picture, cx, cy, colour);
                    break;
                case 1:  // a 3 x 3 square
                    for (int32_t d = 0; d < 9; ++d) {
                        put(picture, cx + d % 3, cy + d / 3, colour);
                    }
                    break;
                case 2:  // a one-pixel line across
                    for (int32_t d = 0; d < 8; ++d) {
                        put(picture, cx + d, cy, colour);
                    }
                    break;
                default:  // a diagonal stroke
                    for (int32_t d = 0; d < 7; ++d) {
                        put(picture, cx + d, cy + d, colour);
                    }
                    break;
            }
        }
    }
    return picture;
}

ColourPicture colour_noise(int32_t width, int32_t height) {
    ColourPicture picture = blank("noise", width, height);
    uint32_t state = 2024;
    for (uint8_t& byte : picture.rgb) {
        state = state * 1664525 + 1013904223;
        byte = uint8_t(state >> 24);
    }
    return picture;
}

ColourPicture test_scene(int32_t width, int32_t height) {
    return {"scene", width, height, dct_scene(width, height)};
}

std::vector<ColourPicture> colour_test_pictures() {
    return {colour_bars(WIDTH, HEIGHT, 255),
            colour_bars(WIDTH, HEIGHT, 191),
            hue_sweep(WIDTH, HEIGHT),
            red_blue_gradient(WIDTH, HEIGHT),
            saturated_details(WIDTH, HEIGHT, true),
            saturated_details(WIDTH, HEIGHT, false),
            colour_noise(WIDTH, HEIGHT),
            test_scene(WIDTH, HEIGHT)};
}

}  // namespace qx

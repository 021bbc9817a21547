#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// Pictures whose colours the DCT encoders have had trouble keeping, made in the tests: 8-bit
// RGB triples, rows top to bottom.
struct ColourPicture {
    std::string name;
    int32_t width;
    int32_t height;
    std::vector<uint8_t> rgb;
};

// White, yellow, cyan, green, magenta, red, blue and black bars at `level` (255 full, 191 for
// 75%); with a width of 160 every edge but the middle one falls inside a macroblock.
ColourPicture colour_bars(int32_t width, int32_t height, uint8_t level);
// Hue across the picture at full saturation, from full brightness at the top to half at the
// bottom.
ColourPicture hue_sweep(int32_t width, int32_t height);
// Pure red on the left to pure blue on the right.
ColourPicture red_blue_gradient(int32_t width, int32_t height);
// Dots, thin lines and small squares of saturated colours on a white or a black ground.
ColourPicture saturated_details(int32_t width, int32_t height, bool white_ground);
// Every channel of every pixel drawn at random.
ColourPicture colour_noise(int32_t width, int32_t height);
// The photograph-like test scene of authoring/dct_scene.
ColourPicture test_scene(int32_t width, int32_t height);

// The set the colour tests go through.
std::vector<ColourPicture> colour_test_pictures();

}  // namespace qx

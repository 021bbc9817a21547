#pragma once
#include <cstdint>
#include <vector>

#include "player/play_params.h"

// A picture as 8-bit red, green, blue triples, rows top to bottom.
struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

// Bytes of one display pixel of the format in `params`: 1 palettised, 2 for 15 and 16 bits,
// 4 for 8-8-8 (a 32-bit display).
int32_t display_pixel_bytes(const PlayParams& params);

// Converts `rows` packed rows of `row_bytes` display pixels (little-endian) to RGB, through
// `palette` (256 RGB triples) on a palettised display. Components of fewer than 8 bits are
// widened by repeating their bits, so that full intensity stays 255. False when a row holds
// no whole pixel.
bool display_pixels_to_rgb(const PlayParams& params, const uint8_t* palette, const uint8_t* pixels,
                           uint32_t row_bytes, int32_t rows, RgbImage& picture);

#pragma once
#include <cstdint>
#include <vector>

namespace qx {

// A picture as 8-bit red, green, blue triples, rows top to bottom.
struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

// Where a display pixel keeps its colours: its bytes (1 palettised, 2 for 15 and 16 bits, 4 for
// 8-8-8) and the width and place of each component.
struct PixelLayout {
    int32_t bytes;
    int32_t red_bits, red_shift;
    int32_t green_bits, green_shift;
    int32_t blue_bits, blue_shift;
};

// The layout of a display of `bit_count` bits a pixel with these component masks.
PixelLayout pixel_layout_of_masks(uint32_t red, uint32_t green, uint32_t blue, uint32_t bit_count);

// Converts `rows` packed rows of `row_bytes` display pixels (little-endian) to RGB, through
// `palette` (256 RGB triples) on a palettised display. Components of fewer than 8 bits are
// widened by repeating their bits, so that full intensity stays 255. False when a row holds
// no whole pixel.
bool display_pixels_to_rgb(const PixelLayout& layout, const uint8_t* palette, const uint8_t* pixels,
                           uint32_t row_bytes, int32_t rows, RgbImage& picture);

}  // namespace qx

#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// A picture to encode: `height` rows of `width` pixels, rows back to back.
struct RgbPicture {
    int32_t width;
    int32_t height;
    const uint8_t* rgb;  // 3 bytes a pixel: red, green, blue
};

// Full-resolution planes in the levels of the JPEG File Interchange Format (Y 0..255, chroma
// centred on 128).
struct YcbcrPicture {
    int32_t width;
    int32_t height;
    const uint8_t* y;
    const uint8_t* cb;
    const uint8_t* cr;
};

// The 16 x 16 pixels of the macroblock whose top-left pixel is (x, y), as RGB triples in rows;
// past the picture's right and bottom edges its last column and row are repeated.
void macroblock_pixels(const RgbPicture& picture, int32_t x, int32_t y, uint8_t* rgb);

// Summed squared difference of `count` bytes.
int64_t squared_error(const uint8_t* a, const uint8_t* b, size_t count);

}  // namespace qx

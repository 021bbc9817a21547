#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A picture to encode: `height` rows of `width` pixels, rows back to back.
struct RgbPicture {
    int32_t width;
    int32_t height;
    const uint8_t* rgb;  // 3 bytes a pixel: red, green, blue
};

// Full-resolution planes in the levels of the JPEG File Interchange Format (Y 0..255, chroma
// centred on 128); the encoders subsample the chroma themselves.
struct YcbcrPicture {
    int32_t width;
    int32_t height;
    const uint8_t* y;
    const uint8_t* cb;
    const uint8_t* cr;
};

// Decoder samples wanted for every pixel, padded to whole macroblocks by repeating the last
// column and row. The decoders floor what they compute, so each value is the wanted sample
// plus one half.
struct SamplePlanes {
    int32_t width;   // padded to a multiple of 16
    int32_t height;  // padded to a multiple of 16
    std::vector<double> luma;
    std::vector<double> cb;
    std::vector<double> cr;
};

// The six blocks of one macroblock, 8 x 8 row-major each: four luma quadrants in raster
// order, then Cb and Cr averaged over 2 x 2 pixels.
struct MacroblockSamples {
    double blocks[6][64];
};

MacroblockSamples macroblock_samples(const SamplePlanes& planes, int32_t x, int32_t y);

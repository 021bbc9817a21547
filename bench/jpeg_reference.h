#pragma once
#include <cstdint>
#include <cstdio>  // jpeglib.h uses FILE without including it
#include <vector>

#include <jpeglib.h>

namespace qx {

// libjpeg-turbo, the reference the DCT formats are measured against: a baseline JPEG of 8-bit
// RGB rows at `quality`, 4:2:0 as Mnb and Zle.
std::vector<uint8_t> jpeg_compress(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                                   int32_t quality);
// Decodes `jpeg` into `out` (already sized) as `space` pixels of `pixel_bytes`, undithered.
void jpeg_decompress(const std::vector<uint8_t>& jpeg, J_COLOR_SPACE space, int32_t pixel_bytes,
                     std::vector<uint8_t>& out);

}  // namespace qx

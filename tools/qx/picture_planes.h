#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "tools/qx/picture_rgb.h"

namespace qx {

// A picture as three 8-bit planes, the layout video encoders and YUV4MPEG2 take: studio-range
// ITU-R BT.601 Y, Cb, Cr (chroma at half size both ways, or full size), or the red, green and
// blue components themselves as G, B, R planes, which a lossless encoder keeps exactly.
struct PlanarPicture {
    int32_t width = 0;
    int32_t height = 0;
    bool half_chroma = true;  // 4:2:0; false: 4:4:4
    bool gbr = false;         // planes G, B, R instead of Y, Cb, Cr
    std::array<std::vector<uint8_t>, 3> planes;

    int32_t plane_width(int plane) const {
        return plane > 0 && half_chroma ? (width + 1) / 2 : width;
    }
    int32_t plane_height(int plane) const {
        return plane > 0 && half_chroma ? (height + 1) / 2 : height;
    }
};

// BT.601 studio range, as players take video that states no other matrix. Each chroma sample
// of 4:2:0 is the mean of the 2 x 2 pixels it covers (fewer at an odd edge).
void rgb_to_ycbcr(const RgbImage& rgb, bool half_chroma, PlanarPicture& planes);
// The components unchanged, as G, B, R planes at full size.
void rgb_to_gbr(const RgbImage& rgb, PlanarPicture& planes);

}  // namespace qx

#include "tools/qx/picture_planes.h"

#include <algorithm>

namespace qx {

namespace {

// The BT.601 studio-range matrix in 16.16 fixed point: Y = 16 + (65.481 R + 128.553 G +
// 24.966 B) / 255 and so on, with R, G, B from 0 to 255.
constexpr int32_t Y_R = 16829, Y_G = 33039, Y_B = 6416;
constexpr int32_t CB_R = -9714, CB_G = -19070, CB_B = 28784;
constexpr int32_t CR_R = 28784, CR_G = -24103, CR_B = -4681;

// offset + fixed / (65536 count), rounded to nearest with halves up, clamped to a byte.
uint8_t rounded_level(int64_t offset, int64_t fixed, int64_t count) {
    const int64_t scale = 65536 * count;
    const int64_t shifted = fixed + scale / 2;
    const int64_t value = offset + shifted / scale - (shifted % scale < 0 ? 1 : 0);
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

void size_planes(const RgbImage& rgb, bool half_chroma, bool gbr, PlanarPicture& planes) {
    planes.width = rgb.width;
    planes.height = rgb.height;
    planes.half_chroma = half_chroma;
    planes.gbr = gbr;
    for (int plane = 0; plane < 3; ++plane) {
        planes.planes[plane].resize(static_cast<size_t>(planes.plane_width(plane)) *
                                    planes.plane_height(plane));
    }
}

}  // namespace

void rgb_to_ycbcr(const RgbImage& rgb, bool half_chroma, PlanarPicture& planes) {
    size_planes(rgb, half_chroma, false, planes);
    const int32_t width = rgb.width;
    const int32_t height = rgb.height;
    const int shift = half_chroma ? 1 : 0;
    const int32_t chroma_width = planes.plane_width(1);
    const uint8_t* pixels = rgb.rgb.data();
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        const uint8_t* pixel = pixels + 3 * i;
        planes.planes[0][i] =
            rounded_level(16, Y_R * pixel[0] + Y_G * pixel[1] + Y_B * pixel[2], 1);
    }
    for (int32_t cy = 0; cy < planes.plane_height(1); ++cy) {
        const int32_t y0 = cy << shift;
        const int32_t y1 = std::min(height, (cy + 1) << shift);
        for (int32_t cx = 0; cx < chroma_width; ++cx) {
            const int32_t x0 = cx << shift;
            const int32_t x1 = std::min(width, (cx + 1) << shift);
            int32_t r = 0, g = 0, b = 0;
            for (int32_t y = y0; y < y1; ++y) {
                const uint8_t* pixel = pixels + (static_cast<size_t>(y) * width + x0) * 3;
                for (int32_t x = x0; x < x1; ++x, pixel += 3) {
                    r += pixel[0];
                    g += pixel[1];
                    b += pixel[2];
                }
            }
            // The matrix is linear: the chroma of the block's summed colour, over the count.
            const int64_t count = int64_t{y1 - y0} * (x1 - x0);
            const size_t at = static_cast<size_t>(cy) * chroma_width + cx;
            planes.planes[1][at] = rounded_level(
                128, int64_t{CB_R} * r + int64_t{CB_G} * g + int64_t{CB_B} * b, count);
            planes.planes[2][at] = rounded_level(
                128, int64_t{CR_R} * r + int64_t{CR_G} * g + int64_t{CR_B} * b, count);
        }
    }
}

void rgb_to_gbr(const RgbImage& rgb, PlanarPicture& planes) {
    size_planes(rgb, false, true, planes);
    const size_t pixels = static_cast<size_t>(rgb.width) * rgb.height;
    for (size_t i = 0; i < pixels; ++i) {
        planes.planes[0][i] = rgb.rgb[3 * i + 1];
        planes.planes[1][i] = rgb.rgb[3 * i + 2];
        planes.planes[2][i] = rgb.rgb[3 * i];
    }
}

}  // namespace qx

#include "tools/qx/picture_planes.h"

#include <algorithm>

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
    const int shift = half_chroma ? 1 : 0;
    const int32_t chroma_width = planes.plane_width(1);
    for (int32_t y = 0; y < rgb.height; ++y) {
        const uint8_t* row = rgb.rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int32_t x = 0; x < width; ++x) {
            const int32_t r = row[3 * x], g = row[3 * x + 1], b = row[3 * x + 2];
            planes.planes[0][static_cast<size_t>(y) * width + x] =
                rounded_level(16, Y_R * r + Y_G * g + Y_B * b, 1);
        }
    }
    for (int32_t cy = 0; cy < planes.plane_height(1); ++cy) {
        for (int32_t cx = 0; cx < chroma_width; ++cx) {
            int64_t cb = 0, cr = 0, count = 0;
            for (int32_t y = cy << shift; y < std::min(rgb.height, (cy + 1) << shift); ++y) {
                for (int32_t x = cx << shift; x < std::min(width, (cx + 1) << shift); ++x) {
                    const uint8_t* pixel =
                        rgb.rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
                    cb += CB_R * pixel[0] + CB_G * pixel[1] + CB_B * pixel[2];
                    cr += CR_R * pixel[0] + CR_G * pixel[1] + CR_B * pixel[2];
                    ++count;
                }
            }
            const size_t at = static_cast<size_t>(cy) * chroma_width + cx;
            planes.planes[1][at] = rounded_level(128, cb, count);
            planes.planes[2][at] = rounded_level(128, cr, count);
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

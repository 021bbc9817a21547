#include "tools/qx/picture_scale.h"

#include <algorithm>
#include <cmath>

namespace qx {

namespace {

RgbImage sized(int32_t width, int32_t height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    return image;
}

const uint8_t* pixel_at(const RgbImage& picture, int32_t x, int32_t y) {
    return picture.rgb.data() + (static_cast<size_t>(y) * picture.width + x) * 3;
}

// Where output pixel `at`'s centre falls among the input's, clamped to the first and last.
double source_position(int32_t at, int32_t in, int32_t out) {
    return std::clamp((at + 0.5) * in / out - 0.5, 0.0, static_cast<double>(in - 1));
}

RgbImage bilinear(const RgbImage& picture, int32_t width, int32_t height) {
    RgbImage out = sized(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const double sy = source_position(y, picture.height, height);
        const auto y0 = static_cast<int32_t>(sy);
        const int32_t y1 = std::min(y0 + 1, picture.height - 1);
        const double fy = sy - y0;
        for (int32_t x = 0; x < width; ++x) {
            const double sx = source_position(x, picture.width, width);
            const auto x0 = static_cast<int32_t>(sx);
            const int32_t x1 = std::min(x0 + 1, picture.width - 1);
            const double fx = sx - x0;
            for (int c = 0; c < 3; ++c) {
                const double top =
                    pixel_at(picture, x0, y0)[c] * (1 - fx) + pixel_at(picture, x1, y0)[c] * fx;
                const double bottom =
                    pixel_at(picture, x0, y1)[c] * (1 - fx) + pixel_at(picture, x1, y1)[c] * fx;
                out.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
            }
        }
    }
    return out;
}

// Each output pixel is the mean of the block of input pixels it covers.
RgbImage box_mean(const RgbImage& picture, int32_t width, int32_t height) {
    RgbImage out = sized(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t y0 = static_cast<int32_t>(int64_t{y} * picture.height / height);
        const int32_t y1 =
            std::max(y0 + 1, static_cast<int32_t>(int64_t{y + 1} * picture.height / height));
        for (int32_t x = 0; x < width; ++x) {
            const int32_t x0 = static_cast<int32_t>(int64_t{x} * picture.width / width);
            const int32_t x1 =
                std::max(x0 + 1, static_cast<int32_t>(int64_t{x + 1} * picture.width / width));
            int64_t sums[3] = {0, 0, 0};
            for (int32_t sy = y0; sy < y1; ++sy) {
                for (int32_t sx = x0; sx < x1; ++sx) {
                    for (int c = 0; c < 3; ++c) {
                        sums[c] += pixel_at(picture, sx, sy)[c];
                    }
                }
            }
            const int64_t count = int64_t{y1 - y0} * (x1 - x0);
            for (int c = 0; c < 3; ++c) {
                out.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<uint8_t>((sums[c] + count / 2) / count);
            }
        }
    }
    return out;
}

}  // namespace

RgbImage enlarge_picture(const RgbImage& picture, int factor, bool smooth) {
    if (smooth) {
        return bilinear(picture, picture.width * factor, picture.height * factor);
    }
    RgbImage out = sized(picture.width * factor, picture.height * factor);
    for (int32_t y = 0; y < out.height; ++y) {
        for (int32_t x = 0; x < out.width; ++x) {
            std::copy_n(pixel_at(picture, x / factor, y / factor), 3,
                        out.rgb.data() + (static_cast<size_t>(y) * out.width + x) * 3);
        }
    }
    return out;
}

RgbImage fit_picture(const RgbImage& picture, int size) {
    const int32_t longest = std::max(picture.width, picture.height);
    const auto width = std::max<int32_t>(
        1, static_cast<int32_t>(std::lround(static_cast<double>(picture.width) * size / longest)));
    const auto height = std::max<int32_t>(
        1, static_cast<int32_t>(std::lround(static_cast<double>(picture.height) * size / longest)));
    return longest > size ? box_mean(picture, width, height) : bilinear(picture, width, height);
}

}  // namespace qx

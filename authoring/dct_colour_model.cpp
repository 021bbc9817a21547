#include "authoring/dct_colour_model.h"

#include <algorithm>
#include <cmath>

#include "codecs/dct/colour_model.h"

namespace {

// The index offset of the red and blue tables the model solves against.
constexpr double CHANNEL_OFFSET = 120;

int32_t padded(int32_t size) {
    return (std::max(size, 1) + 15) / 16 * 16;
}

template <typename SampleOf>
SamplePlanes planes_from(int32_t width, int32_t height, SampleOf sample_of) {
    SamplePlanes planes{padded(width), padded(height), {}, {}, {}};
    const size_t count = size_t(planes.width) * planes.height;
    planes.luma.resize(count);
    planes.cb.resize(count);
    planes.cr.resize(count);
    for (int32_t y = 0; y < planes.height; ++y) {
        for (int32_t x = 0; x < planes.width; ++x) {
            const size_t source = size_t(std::min(y, height - 1)) * width + std::min(x, width - 1);
            const size_t i = size_t(y) * planes.width + x;
            sample_of(source, planes.luma[i], planes.cb[i], planes.cr[i]);
        }
    }
    return planes;
}

double clamp_level(double v) {
    return std::clamp(v, 0.0, 255.0);
}

std::array<double, 3> summed_colour_unclamped(int32_t y, int32_t cb, int32_t cr) {
    const double luma = 2.0 * y + 129;
    const double blue_diff = 2.0 * cb + 1;
    const double red_diff = 2.0 * cr + 1;
    return {luma + 1.402 * red_diff, luma - 0.344136 * blue_diff - 0.714136 * red_diff,
            luma + 1.772 * blue_diff};
}

// A table index k stands for the level 2 k - 383; the index a level needs.
double channel_index(double level, double factor) {
    return ((level + 0.5) / factor + 383) / 2;
}

}  // namespace

void ycbcr_from_rgb(const RgbPicture& picture, std::vector<uint8_t>& y, std::vector<uint8_t>& cb,
                    std::vector<uint8_t>& cr) {
    const size_t count = size_t(picture.width) * picture.height;
    y.resize(count);
    cb.resize(count);
    cr.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const double r = picture.rgb[3 * i];
        const double g = picture.rgb[3 * i + 1];
        const double b = picture.rgb[3 * i + 2];
        y[i] = uint8_t(std::lround(clamp_level(0.299 * r + 0.587 * g + 0.114 * b)));
        cb[i] = uint8_t(std::lround(clamp_level(128 - 0.168736 * r - 0.331264 * g + 0.5 * b)));
        cr[i] = uint8_t(std::lround(clamp_level(128 + 0.5 * r - 0.418688 * g - 0.081312 * b)));
    }
}

SamplePlanes summed_samples(const YcbcrPicture& picture) {
    return planes_from(picture.width, picture.height,
                       [&picture](size_t i, double& luma, double& cb, double& cr) {
                           luma = (picture.y[i] - 129.0) / 2 + 0.5;
                           cb = (picture.cb[i] - 129.0) / 2 + 0.5;
                           cr = (picture.cr[i] - 129.0) / 2 + 0.5;
                       });
}

SamplePlanes summed_samples(const RgbPicture& picture) {
    std::vector<uint8_t> y;
    std::vector<uint8_t> cb;
    std::vector<uint8_t> cr;
    ycbcr_from_rgb(picture, y, cb, cr);
    return summed_samples(
        YcbcrPicture{picture.width, picture.height, y.data(), cb.data(), cr.data()});
}

SamplePlanes channel_samples(const RgbPicture& picture) {
    return planes_from(
        picture.width, picture.height, [&picture](size_t i, double& luma, double& cb, double& cr) {
            const double red =
                channel_index(picture.rgb[3 * i], CHANNEL_RED_FACTOR) - CHANNEL_OFFSET;
            const double green =
                channel_index(picture.rgb[3 * i + 1], CHANNEL_GREEN_FACTOR) - CHANNEL_GREEN_CENTRE;
            const double blue =
                channel_index(picture.rgb[3 * i + 2], CHANNEL_BLUE_FACTOR) - CHANNEL_OFFSET;
            // Y + Cr = red, Y + Cb = blue, Y - 0.698 Cr - 0.336 Cb = green.
            const double y =
                (green - CHANNEL_CR_GREEN_FACTOR * red + CHANNEL_CB_GREEN_FACTOR * blue) /
                (1 - CHANNEL_CR_GREEN_FACTOR + CHANNEL_CB_GREEN_FACTOR);
            luma = y + 0.5;
            cb = std::clamp(blue - y, -127.0, 126.0) + 0.5;
            cr = std::clamp(red - y, -127.0, 126.0) + 0.5;
        });
}

std::array<double, 3> summed_colour(int32_t y, int32_t cb, int32_t cr) {
    const auto colour = summed_colour_unclamped(y, cb, cr);
    return {clamp_level(colour[0]), clamp_level(colour[1]), clamp_level(colour[2])};
}

std::array<double, 2> summed_extremes(int32_t y, int32_t cb, int32_t cr) {
    const auto colour = summed_colour_unclamped(y, cb, cr);
    return {std::min({colour[0], colour[1], colour[2]}),
            std::max({colour[0], colour[1], colour[2]})};
}

std::array<double, 3> channel_colour(int32_t y, int32_t cb, int32_t cr) {
    auto level = [](double index, double factor) {
        return clamp_level(std::trunc((2 * std::clamp(index, 0.0, 511.0) - 383) * factor));
    };
    const double green_index = CHANNEL_GREEN_CENTRE + std::trunc(CHANNEL_CR_GREEN_FACTOR * cr) + y -
                               std::trunc(CHANNEL_CB_GREEN_FACTOR * cb);
    return {level(y + cr + CHANNEL_OFFSET, CHANNEL_RED_FACTOR),
            level(green_index, CHANNEL_GREEN_FACTOR),
            level(y + cb + CHANNEL_OFFSET, CHANNEL_BLUE_FACTOR)};
}

#include "authoring/dct_colour_model.h"

#include <algorithm>
#include <cmath>

#include "authoring/dct_picture.h"
#include "codecs/dct/colour_model.h"

namespace qx {

namespace {

// The index offset of the red and blue tables the model solves against.
constexpr double CHANNEL_OFFSET = 120;
// Luma samples tried on each side of the least-squares estimate.
constexpr int32_t LUMA_SEARCH = 3;

// A table index k stands for the level 2 k - 383; the index a level needs.
double channel_index(double level, double factor) {
    return ((level + 0.5) / factor + 383) / 2;
}

int64_t colour_error(DctConversion conversion, const uint8_t* rgb, int32_t y, int32_t cb,
                     int32_t cr) {
    uint8_t shown[3];
    shown_colour(conversion, y, cb, cr, shown);
    return squared_error(shown, rgb, 3);
}

}  // namespace

ColourSamples summed_samples_of(const uint8_t* rgb) {
    const double r = rgb[0];
    const double g = rgb[1];
    const double b = rgb[2];
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    const double cb = -0.168736 * r - 0.331264 * g + 0.5 * b;
    const double cr = 0.5 * r - 0.418688 * g - 0.081312 * b;
    return {(y - 129) / 2 + 0.5, (cb - 1) / 2 + 0.5, (cr - 1) / 2 + 0.5};
}

ColourSamples channel_samples_of(const uint8_t* rgb) {
    const double red = channel_index(rgb[0], CHANNEL_RED_FACTOR) - CHANNEL_OFFSET;
    const double green = channel_index(rgb[1], CHANNEL_GREEN_FACTOR) - CHANNEL_GREEN_CENTRE;
    const double blue = channel_index(rgb[2], CHANNEL_BLUE_FACTOR) - CHANNEL_OFFSET;
    // Y + Cr = red, Y + Cb = blue, Y - 0.698 Cr - 0.336 Cb = green.
    const double y = (green - CHANNEL_CR_GREEN_FACTOR * red + CHANNEL_CB_GREEN_FACTOR * blue) /
                     (1 - CHANNEL_CR_GREEN_FACTOR + CHANNEL_CB_GREEN_FACTOR);
    return {y + 0.5, std::clamp(blue - y, -127.0, 126.0) + 0.5,
            std::clamp(red - y, -127.0, 126.0) + 0.5};
}

int32_t nearest_luma(DctConversion conversion, const uint8_t* rgb, int32_t cb, int32_t cr,
                     int32_t low, int32_t high) {
    // Luma moves all three components together: the estimate is the mean of what each one
    // asks for, given what the chroma adds.
    double estimate = 0;
    if (conversion == DctConversion::Summed) {
        int32_t at_zero[3];
        summed_levels(0, cb, cr, at_zero);
        estimate = ((rgb[0] - at_zero[0]) + (rgb[1] - at_zero[1]) + (rgb[2] - at_zero[2])) / 6.0;
    } else {
        estimate =
            (channel_index(rgb[0], CHANNEL_RED_FACTOR) - CHANNEL_OFFSET - cr +
             channel_index(rgb[2], CHANNEL_BLUE_FACTOR) - CHANNEL_OFFSET - cb +
             channel_index(rgb[1], CHANNEL_GREEN_FACTOR) - CHANNEL_GREEN_CENTRE -
             std::trunc(CHANNEL_CR_GREEN_FACTOR * cr) + std::trunc(CHANNEL_CB_GREEN_FACTOR * cb)) /
            3;
    }
    const auto centre = int32_t(std::lround(std::clamp<double>(estimate, low, high)));
    int32_t best = centre;
    int64_t best_error = INT64_MAX;
    for (int32_t y = std::max(low, centre - LUMA_SEARCH); y <= std::min(high, centre + LUMA_SEARCH);
         ++y) {
        const int64_t error = colour_error(conversion, rgb, y, cb, cr);
        if (error < best_error) {
            best_error = error;
            best = y;
        }
    }
    return best;
}

namespace {

uint8_t level_byte(double v) {
    return uint8_t(std::lround(std::clamp(v, 0.0, 255.0)));
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
        y[i] = level_byte(0.299 * r + 0.587 * g + 0.114 * b);
        cb[i] = level_byte(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
        cr[i] = level_byte(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
    }
}

std::vector<uint8_t> rgb_from_ycbcr(const YcbcrPicture& picture) {
    const size_t count = size_t(picture.width) * picture.height;
    std::vector<uint8_t> rgb(count * 3);
    for (size_t i = 0; i < count; ++i) {
        const double y = picture.y[i];
        const double cb = picture.cb[i] - 128.0;
        const double cr = picture.cr[i] - 128.0;
        rgb[3 * i] = level_byte(y + 1.402 * cr);
        rgb[3 * i + 1] = level_byte(y - 0.344136 * cb - 0.714136 * cr);
        rgb[3 * i + 2] = level_byte(y + 1.772 * cb);
    }
    return rgb;
}

}  // namespace qx

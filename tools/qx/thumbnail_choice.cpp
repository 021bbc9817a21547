#include "tools/qx/thumbnail_choice.h"

#include <algorithm>
#include <cmath>

namespace qx {

namespace {

constexpr int CANDIDATES = 4;
constexpr double LEAST_SPREAD = 12;  // of 255: below, the picture is close to one colour
constexpr double LEAST_MEAN = 24;    // darker is taken for black

}  // namespace

PictureDetail picture_detail(const RgbImage& picture) {
    const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
    if (pixels == 0) {
        return {};
    }
    double sum = 0;
    double squares = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* pixel = picture.rgb.data() + 3 * i;
        const double luma = 0.299 * pixel[0] + 0.587 * pixel[1] + 0.114 * pixel[2];
        sum += luma;
        squares += luma * luma;
    }
    PictureDetail detail;
    detail.mean = sum / static_cast<double>(pixels);
    detail.spread =
        std::sqrt(std::max(0.0, squares / static_cast<double>(pixels) - detail.mean * detail.mean));
    return detail;
}

bool says_little(const PictureDetail& detail) {
    return detail.spread < LEAST_SPREAD || detail.mean < LEAST_MEAN;
}

std::vector<int64_t> thumbnail_candidates(int64_t frames) {
    std::vector<int64_t> candidates;
    for (int i = 1; i <= CANDIDATES; ++i) {
        const int64_t frame = frames * i / (3 * CANDIDATES);
        if (frames > 0 && (candidates.empty() || candidates.back() != frame)) {
            candidates.push_back(frame);
        }
    }
    return candidates;
}

size_t choose_thumbnail(const std::vector<PictureDetail>& details) {
    for (size_t i = 0; i < details.size(); ++i) {
        if (!says_little(details[i])) {
            return i;
        }
    }
    const auto most = std::max_element(
        details.begin(), details.end(),
        [](const PictureDetail& a, const PictureDetail& b) { return a.spread < b.spread; });
    return most == details.end() ? 0 : static_cast<size_t>(most - details.begin());
}

}  // namespace qx

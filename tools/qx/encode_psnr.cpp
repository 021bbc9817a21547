#include "tools/qx/encode_psnr.h"

#include <algorithm>
#include <cmath>

namespace qx {

double psnr_of(double mean_squared_error) {
    constexpr double IDENTICAL = 99;
    if (mean_squared_error <= 0) {
        return IDENTICAL;
    }
    return std::min(IDENTICAL, 10 * std::log10(255.0 * 255.0 / mean_squared_error));
}

double PsnrMeter::add(std::span<const uint8_t> source, std::span<const uint8_t> shown) {
    const size_t count = std::min(source.size(), shown.size());
    double squared = 0;
    for (size_t i = 0; i < count; ++i) {
        const double difference = double(source[i]) - double(shown[i]);
        squared += difference * difference;
    }
    squared_error_ += squared;
    samples_ += double(count);
    const double frame = psnr_of(count == 0 ? 0 : squared / double(count));
    if (frame < worst_) {
        worst_ = frame;
        worst_frame_ = frames_;
    }
    ++frames_;
    return frame;
}

double PsnrMeter::overall() const {
    return psnr_of(samples_ == 0 ? 0 : squared_error_ / samples_);
}

}  // namespace qx

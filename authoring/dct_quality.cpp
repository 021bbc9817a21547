#include "authoring/dct_quality.h"

#include <algorithm>

namespace qx {

namespace {

// How JPEG scales its quantiser tables for a quality, in percent: 100 at quality 50, 50 at 75,
// 0 at 100, and steeply coarser below 50.
int32_t table_scale_percent(int32_t quality) {
    const int32_t q = std::clamp(quality, 1, 100);
    return q < 50 ? 5000 / q : 200 - 2 * q;
}

// Mnb's steps (8 at its quality 100 up to 30..60 at 0) stop shrinking at 104, where every
// frequency has a step of 8; above that the DC step shrinks too and flat records no longer
// reach black and white.
constexpr int32_t MNB_FINEST = 104;

// Zle's steps are the default matrix times (107 - q) / 16. At three sixteenths (104) a
// full-range edge still fits the 255 levels the codes carry; finer steps clip it.
constexpr int32_t ZLE_FINEST_SIXTEENTHS = 3;
// Zle's quality 100 is a flat step of 8 for every frequency: finer than 99 but coarser than
// 101 at the low frequencies, so it would break the order.
constexpr int32_t ZLE_FLAT_STEP_QUALITY = 100;

}  // namespace

int32_t mnb_stream_quality(int32_t quality) {
    return std::max(0, MNB_FINEST - (table_scale_percent(quality) + 2) / 5);
}

int32_t zle_stream_quality(int32_t quality) {
    // Six sixteenths at quality 75 spend about the bits JPEG spends there on the test
    // pictures, and keep small saturated details within 3 dB of it.
    const int32_t sixteenths =
        ZLE_FINEST_SIXTEENTHS + (6 * table_scale_percent(quality) + 50) / 100;
    const int32_t stream = std::max(0, 107 - sixteenths);
    return stream == ZLE_FLAT_STEP_QUALITY ? stream - 1 : stream;
}

}  // namespace qx

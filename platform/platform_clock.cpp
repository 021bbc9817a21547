#include "platform/platform_clock.h"

#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

namespace qx {

namespace {

using RealClock = std::chrono::steady_clock;

// Platform time is piecewise linear in real time: from `base_real` on it runs at `scale` from
// `base_platform_us`. A change of scale starts a new piece, so platform time never jumps.
struct ClockState {
    std::mutex mutex;
    RealClock::time_point base_real = RealClock::now();
    int64_t base_platform_us = 0;
    double scale = 1.0;
};

ClockState& state() {
    static ClockState clock_state;
    return clock_state;
}

// Beyond this, platform microseconds would leave 64 bits within hours of real time.
constexpr double MAX_SCALE = 1e6;

int64_t platform_at(const ClockState& s, RealClock::time_point real) {
    const auto real_us =
        std::chrono::duration_cast<std::chrono::microseconds>(real - s.base_real).count();
    return s.base_platform_us + static_cast<int64_t>(static_cast<double>(real_us) * s.scale);
}

}  // namespace

void platform_clock_set_scale(double scale) {
    // Also refuses NaN and infinity, which would make every later reading undefined.
    if (!(scale > 0.0 && scale <= MAX_SCALE)) {
        return;
    }
    ClockState& s = state();
    std::lock_guard lock(s.mutex);
    const RealClock::time_point real = RealClock::now();
    s.base_platform_us = platform_at(s, real);
    s.base_real = real;
    s.scale = scale;
}

double platform_clock_scale() {
    ClockState& s = state();
    std::lock_guard lock(s.mutex);
    return s.scale;
}

int64_t platform_clock_now_us() {
    ClockState& s = state();
    std::lock_guard lock(s.mutex);
    return platform_at(s, RealClock::now());
}

void platform_clock_sleep_us(int64_t microseconds) {
    if (microseconds <= 0) {
        std::this_thread::yield();
        return;
    }
    // Rounded up, so that a sleep never ends before its platform time has passed.
    const double scale = platform_clock_scale();
    const auto real_us = static_cast<int64_t>(std::ceil(static_cast<double>(microseconds) / scale));
    std::this_thread::sleep_for(std::chrono::microseconds(real_us > 0 ? real_us : 1));
}

}  // namespace qx

#include "platform/platform_clock.h"

#include <chrono>
#include <mutex>
#include <thread>

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

int64_t now_locked(const ClockState& s) {
    const auto real_us =
        std::chrono::duration_cast<std::chrono::microseconds>(RealClock::now() - s.base_real)
            .count();
    return s.base_platform_us + static_cast<int64_t>(static_cast<double>(real_us) * s.scale);
}

}  // namespace

void platform_clock_set_scale(double scale) {
    if (!(scale > 0.0)) {
        return;
    }
    ClockState& s = state();
    std::lock_guard lock(s.mutex);
    s.base_platform_us = now_locked(s);
    s.base_real = RealClock::now();
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
    return now_locked(s);
}

void platform_clock_sleep_us(int64_t microseconds) {
    if (microseconds <= 0) {
        std::this_thread::yield();
        return;
    }
    const double scale = platform_clock_scale();
    const auto real_us = static_cast<int64_t>(static_cast<double>(microseconds) / scale);
    std::this_thread::sleep_for(std::chrono::microseconds(real_us > 0 ? real_us : 1));
}

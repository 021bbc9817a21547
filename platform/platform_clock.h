#pragma once
#include <cstdint>

namespace qx {

// The one clock of the platform: tick counts, sleeps, timer periods and the soft sound cursor
// all run on it. Its scale makes platform time run faster than real time (2.0: twice as fast),
// so tests play a movie in a fraction of its length with the same logic.
void platform_clock_set_scale(double scale);
double platform_clock_scale();
// Platform time in microseconds since the process started.
int64_t platform_clock_now_us();
// Sleeps until platform time has advanced by `microseconds`.
void platform_clock_sleep_us(int64_t microseconds);

// Sets the clock's scale while it lives and puts the previous scale back (for tests).
class ScopedClockScale {
  public:
    explicit ScopedClockScale(double scale) : previous_(platform_clock_scale()) {
        platform_clock_set_scale(scale);
    }
    ~ScopedClockScale() { platform_clock_set_scale(previous_); }
    ScopedClockScale(const ScopedClockScale&) = delete;
    ScopedClockScale& operator=(const ScopedClockScale&) = delete;

  private:
    double previous_;
};

}  // namespace qx

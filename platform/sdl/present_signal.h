#pragma once
#include <chrono>
#include <cstdint>

namespace qx {

// Wakes the presenter on the main thread when a screen has a complete picture to show.
using PresentClock = std::chrono::steady_clock;

void present_signal_raise();
// Waits until the signal has been raised more than `seen` times in all, or until `deadline`.
// Returns the count of raises.
uint64_t present_signal_wait(uint64_t seen, PresentClock::time_point deadline);
uint64_t present_signal_count();

}  // namespace qx

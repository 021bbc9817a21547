#pragma once
#include <atomic>
#include <cstdint>

namespace qx {

// Failures of the backend-independent services that tests provoke on purpose. Every field is
// off by default; reset with platform_faults_reset().
struct PlatformFaults {
    std::atomic<bool> file_open_fails{false};
    std::atomic<bool> file_set_buffer_fails{false};
    // A read that touches this file offset (or anything after it) answers -1; -1 = never.
    std::atomic<int64_t> file_read_error_at{-1};
    std::atomic<bool> timer_caps_fail{false};
    std::atomic<uint32_t> timer_period_min{1};
    std::atomic<uint32_t> timer_period_max{1000000};
    std::atomic<bool> timer_create_fails{false};
    std::atomic<bool> timer_kill_fails{false};
    std::atomic<bool> thread_create_fails{false};
};

PlatformFaults& platform_faults();
void platform_faults_reset();

}  // namespace qx

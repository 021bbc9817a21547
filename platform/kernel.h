#pragma once
#include <cstdint>

#include "../base/interlocked.h"

namespace qx {

// Kernel services: threads, sleeps and the millisecond tick count (both on the platform clock,
// platform/platform_clock.h); the interlocked operations come from base/interlocked.h.

using ThreadEntry = uint32_t (*)(void* argument);

inline constexpr int32_t THREAD_PRIORITY_IDLE = -15;
inline constexpr int32_t THREAD_PRIORITY_LOWEST = -2;
inline constexpr int32_t THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int32_t THREAD_PRIORITY_NORMAL = 0;
inline constexpr int32_t THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int32_t THREAD_PRIORITY_HIGHEST = 2;
inline constexpr int32_t THREAD_PRIORITY_TIME_CRITICAL = 15;

// Starts a thread with the default stack size; returns its handle, 0 on failure.
uint32_t thread_create(ThreadEntry entry, void* argument);
// Sets the priority of the calling thread: recorded, and given to the scheduler as the thread's
// niceness (thread_priority_nice). False when the system refused it (raising a priority needs
// the right to), in which case the thread keeps the niceness it had.
bool thread_set_priority(int32_t priority);
// Niceness standing for a priority: normal is the process's own, each step above or below
// normal 5 nicer or less nice, idle 19 and time-critical -20.
int thread_priority_nice(int32_t priority);
int32_t thread_current_priority();
// Waits for the thread to end and forgets its handle; false for an unknown handle.
bool thread_join(uint32_t handle);

void sleep_ms(uint32_t milliseconds);
// Milliseconds since an arbitrary start, wrapping at 2^32.
uint32_t tick_count();

}  // namespace qx

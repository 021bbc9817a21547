#pragma once
#include <atomic>
#include <cstdint>
#include <type_traits>

// Kernel services: threads, interlocked operations on plain 32-bit fields, sleeps and the
// millisecond tick count (both on the platform clock, platform/platform_clock.h).

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

template <typename T>
concept Interlocked32 = (std::is_integral_v<T> && sizeof(T) == 4);

template <Interlocked32 T>
T interlocked_exchange(T& target, T value) {
    return std::atomic_ref<T>(target).exchange(value, std::memory_order_acq_rel);
}

// Both return the new value. Counters wrap around as the word does; the new value is worked
// out unsigned so that wrapping past the largest signed value stays defined.
template <Interlocked32 T>
T interlocked_increment(T& target) {
    using Word = std::make_unsigned_t<T>;
    return static_cast<T>(
        static_cast<Word>(std::atomic_ref<T>(target).fetch_add(1, std::memory_order_acq_rel)) + 1u);
}

template <Interlocked32 T>
T interlocked_decrement(T& target) {
    using Word = std::make_unsigned_t<T>;
    return static_cast<T>(
        static_cast<Word>(std::atomic_ref<T>(target).fetch_sub(1, std::memory_order_acq_rel)) - 1u);
}

// The plain reads and writes of shared fields, made visible as atomic to the race checkers.
template <typename T>
T interlocked_load(T& target) {
    return std::atomic_ref<T>(target).load(std::memory_order_acquire);
}

template <typename T>
void interlocked_store(T& target, T value) {
    std::atomic_ref<T>(target).store(value, std::memory_order_release);
}

void sleep_ms(uint32_t milliseconds);
// Milliseconds since an arbitrary start, wrapping at 2^32.
uint32_t tick_count();

#pragma once
#include <atomic>
#include <cstdint>
#include <type_traits>

namespace qx {

// Interlocked operations on plain 32-bit fields, through std::atomic_ref so that the records
// they live in stay plain.

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

}  // namespace qx

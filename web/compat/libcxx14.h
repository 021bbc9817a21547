#pragma once
// What the core takes from C++20's library and the C++ library of Debian's Emscripten (from
// LLVM 14) does not have yet: std::atomic_ref and std::bit_cast, on the compiler's built-ins.
// Included before every file of the WebAssembly build; where the library has them, nothing.
#include <atomic>
#include <version>

#if !defined(__cpp_lib_atomic_ref)
namespace std {

template <typename T>
class atomic_ref {
  public:
    explicit atomic_ref(T& target) : target_(&target) {}

    T load(memory_order order = memory_order_seq_cst) const {
        return __atomic_load_n(target_, int(order));
    }
    void store(T value, memory_order order = memory_order_seq_cst) const {
        __atomic_store_n(target_, value, int(order));
    }
    T exchange(T value, memory_order order = memory_order_seq_cst) const {
        return __atomic_exchange_n(target_, value, int(order));
    }
    T fetch_add(T value, memory_order order = memory_order_seq_cst) const {
        return __atomic_fetch_add(target_, value, int(order));
    }
    T fetch_sub(T value, memory_order order = memory_order_seq_cst) const {
        return __atomic_fetch_sub(target_, value, int(order));
    }
    bool compare_exchange_strong(T& expected, T desired,
                                 memory_order order = memory_order_seq_cst) const {
        return __atomic_compare_exchange_n(target_, &expected, desired, false, int(order),
                                           int(memory_order_seq_cst));
    }

  private:
    T* target_;
};

}  // namespace std
#endif

#if !defined(__cpp_lib_bit_cast)
namespace std {

template <typename To, typename From>
constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}

}  // namespace std
#endif

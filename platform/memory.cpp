#include "platform/memory.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<int64_t> live_blocks{0};
std::atomic<int64_t> allocations{0};
std::atomic<int64_t> fail_countdown{0};
}  // namespace

void* memory_allocate_zeroed(size_t bytes) {
    int64_t countdown = fail_countdown.load();
    while (countdown > 0 && !fail_countdown.compare_exchange_weak(countdown, countdown - 1)) {
    }
    if (countdown == 1) {
        return nullptr;
    }
    void* block = std::calloc(1, bytes == 0 ? 1 : bytes);
    if (block != nullptr) {
        ++live_blocks;
        ++allocations;
    }
    return block;
}

void memory_free(void* block) {
    if (block != nullptr) {
        --live_blocks;
        std::free(block);
    }
}

MemoryCounters memory_counters() {
    return {live_blocks.load(), allocations.load()};
}

void memory_fail_after(int64_t countdown) {
    fail_countdown = countdown;
}

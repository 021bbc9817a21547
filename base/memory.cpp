#include "base/memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qx {

namespace {
// Blocks start on a cache line, so that the codecs' 64-byte loads and stores along a picture
// never straddle two lines (calloc's 16-byte alignment made every one of them do so).
constexpr size_t BLOCK_ALIGNMENT = 64;

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
    if (bytes > SIZE_MAX - BLOCK_ALIGNMENT) {
        return nullptr;
    }
    const size_t rounded = (bytes == 0 ? BLOCK_ALIGNMENT : bytes + BLOCK_ALIGNMENT - 1) /
                           BLOCK_ALIGNMENT * BLOCK_ALIGNMENT;
    void* block = std::aligned_alloc(BLOCK_ALIGNMENT, rounded);
    if (block != nullptr) {
        std::memset(block, 0, rounded);
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

}  // namespace qx

#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// Heap blocks of the player (context, arenas, codec buffers) come from here, so that tests can
// count them and make any one of them fail. Every block starts on a 64-byte boundary.
void* memory_allocate_zeroed(size_t bytes);
void memory_free(void* block);

struct MemoryCounters {
    int64_t live_blocks;
    int64_t allocations;  // since the process started
};
MemoryCounters memory_counters();
// The allocation `countdown` calls from now fails (1: the next one); 0 disables.
void memory_fail_after(int64_t countdown);

}  // namespace qx

#include <gtest/gtest.h>

#include <cstdint>

#include "base/memory.h"

namespace qx {

namespace {

TEST(PlatformMemory, BlocksAreZeroedAlignedAndCounted) {
    const MemoryCounters before = memory_counters();
    auto* block = static_cast<unsigned char*>(memory_allocate_zeroed(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(block[i], 0);
    }
    EXPECT_EQ(memory_counters().live_blocks, before.live_blocks + 1);
    EXPECT_EQ(memory_counters().allocations, before.allocations + 1);
    memory_free(block);
    memory_free(nullptr);
    EXPECT_EQ(memory_counters().live_blocks, before.live_blocks);
    // Sizes that are no multiple of the alignment, large ones included (those come from
    // the system's page mappings rather than the heap).
    for (const size_t bytes : {size_t{1}, size_t{100}, size_t{4097}, size_t{3} << 20}) {
        void* other = memory_allocate_zeroed(bytes);
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(other) % 64, 0u) << bytes;
        EXPECT_EQ(static_cast<unsigned char*>(other)[bytes - 1], 0) << bytes;
        memory_free(other);
    }
}

TEST(PlatformMemory, TheChosenAllocationFails) {
    memory_fail_after(2);
    void* first = memory_allocate_zeroed(16);
    void* second = memory_allocate_zeroed(16);
    void* third = memory_allocate_zeroed(16);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    memory_free(first);
    memory_free(third);
    memory_fail_after(0);
    void* after = memory_allocate_zeroed(0);
    EXPECT_NE(after, nullptr);
    memory_free(after);
    // A size the alignment cannot round up fails cleanly.
    EXPECT_EQ(memory_allocate_zeroed(SIZE_MAX - 10), nullptr);
}

}  // namespace

}  // namespace qx

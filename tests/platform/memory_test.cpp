#include <gtest/gtest.h>

#include "platform/memory.h"

namespace {

TEST(PlatformMemory, BlocksAreZeroedAndCounted) {
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
}

}  // namespace

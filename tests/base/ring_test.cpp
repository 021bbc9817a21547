#include "base/ring.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace qx {

namespace {

struct TestSlot {
    uint8_t* data;
    int32_t bytes;
    int32_t sequence;
};

constexpr uint32_t TEST_ARENA_BYTES = 1000;

struct TestRing {
    std::vector<uint8_t> arena = std::vector<uint8_t>(TEST_ARENA_BYTES);
    Ring<TestSlot> ring{};

    TestRing() { ring_set_arena(ring, arena.data(), TEST_ARENA_BYTES); }

    // Queues a block of `bytes` the way the reader does; false when the ring has no room.
    bool push(uint32_t bytes, int32_t sequence) {
        uint8_t* place = ring_place(ring, bytes);
        if (place == nullptr || !ring_has_room(ring, place, bytes)) {
            return false;
        }
        TestSlot& slot = ring_back(ring);
        slot = {place, static_cast<int32_t>(bytes), sequence};
        ring_push(ring, place, bytes);
        return true;
    }
};

TEST(Ring, TakesRingSlotsBlocksAndGivesThemBackInOrder) {
    TestRing test;
    for (int32_t i = 0; i < RING_SLOTS; ++i) {
        ASSERT_TRUE(test.push(10, i)) << i;
    }
    EXPECT_FALSE(test.push(10, RING_SLOTS)) << "a full ring takes nothing more";
    EXPECT_EQ(ring_queued(test.ring), RING_SLOTS);
    for (int32_t i = 0; i < RING_SLOTS; ++i) {
        ASSERT_EQ(ring_front(test.ring).sequence, i);
        ring_pop(test.ring);
    }
    EXPECT_EQ(ring_queued(test.ring), 0);
    EXPECT_EQ(ring_front(test.ring).data, nullptr) << "popped slots are cleared";
    EXPECT_EQ(ring_front(test.ring).bytes, 0);
}

// The counters only ever count up; a long movie takes them past the largest int32_t.
TEST(Ring, CountersKeepTheirOrderWhenTheyWrapPastInt32Max) {
    TestRing test;
    test.ring.read = INT32_MAX - 2;
    test.ring.written = INT32_MAX - 2;
    for (int32_t i = 0; i < RING_SLOTS; ++i) {
        ASSERT_TRUE(test.push(10, i)) << i;
    }
    EXPECT_EQ(test.ring.written, INT32_MIN + RING_SLOTS - 3);
    EXPECT_FALSE(test.push(10, RING_SLOTS));
    for (int32_t i = 0; i < RING_SLOTS; ++i) {
        ASSERT_EQ(ring_front(test.ring).sequence, i);
        ring_pop(test.ring);
        EXPECT_EQ(ring_queued(test.ring), RING_SLOTS - 1 - i);
    }
    EXPECT_TRUE(test.push(10, 99));
    EXPECT_EQ(ring_front(test.ring).sequence, 99);
}

TEST(Ring, BlocksNeverCrossTheArenaEndNorOverwriteQueuedOnes) {
    TestRing test;
    uint8_t* const arena = test.arena.data();
    EXPECT_EQ(ring_place(test.ring, TEST_ARENA_BYTES), arena) << "the whole arena fits";
    EXPECT_EQ(ring_place(test.ring, TEST_ARENA_BYTES + 1), nullptr) << "can never fit";
    ASSERT_TRUE(test.push(600, 0));
    ASSERT_TRUE(test.push(399, 1));
    EXPECT_EQ(test.ring.arena_write, arena + 999);
    // One byte would end exactly at the arena's end: it goes to the start, onto block 0.
    EXPECT_EQ(ring_place(test.ring, 1), arena);
    EXPECT_FALSE(test.push(1, 2));
    ring_pop(test.ring);
    ASSERT_TRUE(test.push(500, 2));
    EXPECT_EQ(ring_slot_at(test.ring, 2).data, arena);
    // Block 2 ends at 500, block 1 starts at 600: 100 bytes fit between, 101 do not.
    EXPECT_FALSE(test.push(101, 3));
    ASSERT_TRUE(test.push(100, 3));
    for (int32_t counter = test.ring.read; counter != test.ring.written; ++counter) {
        const TestSlot& slot = ring_slot_at(test.ring, counter);
        EXPECT_LE(slot.data + slot.bytes, arena + TEST_ARENA_BYTES);
    }
}

}  // namespace

}  // namespace qx

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "tests/platform/wait_until.h"

namespace qx {

namespace {

class PlatformKernelTest : public ::testing::Test {
  protected:
    void SetUp() override { platform_faults_reset(); }
    void TearDown() override { platform_faults_reset(); }
};

struct ThreadProbe {
    std::atomic<int32_t> ran{0};
    std::atomic<int32_t> priority_seen{-100};
    std::atomic<bool> release{false};
};

uint32_t probe_entry(void* argument) {
    auto* probe = static_cast<ThreadProbe*>(argument);
    probe->priority_seen = thread_current_priority();
    thread_set_priority(THREAD_PRIORITY_TIME_CRITICAL);
    ++probe->ran;
    return 0;
}

uint32_t quick_entry(void* argument) {
    ++static_cast<ThreadProbe*>(argument)->ran;
    return 0;
}

TEST_F(PlatformKernelTest, ThreadRunsItsEntryWithItsArgument) {
    ThreadProbe probe;
    thread_set_priority(THREAD_PRIORITY_HIGHEST);
    const uint32_t handle = thread_create(probe_entry, &probe);
    ASSERT_NE(handle, 0u);
    EXPECT_TRUE(thread_join(handle));
    EXPECT_EQ(probe.ran, 1);
    // A new thread starts at normal priority, and priorities belong to their own thread.
    EXPECT_EQ(probe.priority_seen, THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(thread_current_priority(), THREAD_PRIORITY_HIGHEST);
    thread_set_priority(THREAD_PRIORITY_NORMAL);
    EXPECT_FALSE(thread_join(handle));
    EXPECT_FALSE(thread_join(0));
}

TEST_F(PlatformKernelTest, ThreadCreationCanBeMadeToFail) {
    platform_faults().thread_create_fails = true;
    ThreadProbe probe;
    EXPECT_EQ(thread_create(quick_entry, &probe), 0u);
    EXPECT_EQ(probe.ran, 0);
}

// Ended threads are cleared away when the next one starts; their handles still join.
TEST_F(PlatformKernelTest, ThreadThatEndedUnjoinedCanStillBeJoined) {
    ThreadProbe probe;
    const uint32_t first = thread_create(quick_entry, &probe);
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(wait_until([&] { return probe.ran == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const uint32_t second = thread_create(quick_entry, &probe);
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_TRUE(thread_join(first));
    EXPECT_FALSE(thread_join(first));
    EXPECT_TRUE(thread_join(second));
    EXPECT_EQ(probe.ran, 2);
}

TEST_F(PlatformKernelTest, InterlockedOperationsReturnTheirDocumentedValues) {
    int32_t word = 5;
    EXPECT_EQ(interlocked_exchange(word, 9), 5);
    EXPECT_EQ(word, 9);
    EXPECT_EQ(interlocked_increment(word), 10);
    EXPECT_EQ(interlocked_decrement(word), 9);
    uint32_t counter = 0xFFFFFFFFu;
    EXPECT_EQ(interlocked_increment(counter), 0u);  // wraps as a 32-bit word does
    EXPECT_EQ(interlocked_decrement(counter), 0xFFFFFFFFu);
    interlocked_store(word, -3);
    EXPECT_EQ(interlocked_load(word), -3);
}

// Plain fields changed only through the interlocked operations stay exact under contention.
TEST(PlatformKernelConcurrency, InterlockedCountersStayExact) {
    constexpr int THREADS = 4;
    constexpr int ROUNDS = 20000;
    int32_t up = 0;
    int32_t balance = 0;
    int32_t mailbox = 0;
    std::atomic<int32_t> handed_over{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < ROUNDS; ++i) {
                interlocked_increment(up);
                interlocked_increment(balance);
                interlocked_decrement(balance);
                // Every value put in the mailbox is taken out exactly once.
                const int32_t taken = interlocked_exchange(mailbox, t * ROUNDS + i + 1);
                if (taken != 0) {
                    ++handed_over;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(interlocked_load(up), THREADS * ROUNDS);
    EXPECT_EQ(interlocked_load(balance), 0);
    EXPECT_NE(interlocked_exchange(mailbox, 0), 0);
    EXPECT_EQ(handed_over + 1, THREADS * ROUNDS);
}

TEST_F(PlatformKernelTest, SleepAndTickCountRunOnThePlatformClock) {
    ScopedClockScale fast(40.0);
    const uint32_t before = tick_count();
    const auto real_before = std::chrono::steady_clock::now();
    sleep_ms(400);
    const uint32_t slept = tick_count() - before;
    EXPECT_GE(slept, 400u);
    // 400 platform milliseconds at forty times real speed: far less than 400 real ones.
    EXPECT_LT(std::chrono::steady_clock::now() - real_before, std::chrono::milliseconds(400));
    sleep_ms(0);
}

}  // namespace

}  // namespace qx

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/timer.h"
#include "tests/platform/wait_until.h"

namespace qx {

namespace {

class PlatformTimerTest : public ::testing::Test {
  protected:
    void SetUp() override { platform_faults_reset(); }
    void TearDown() override { platform_faults_reset(); }
};

struct Counted {
    std::atomic<int32_t> calls{0};
    std::atomic<uint32_t> last_id{0};
};

void count_call(uint32_t timer_id, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
    auto* counted = reinterpret_cast<Counted*>(user);
    counted->last_id = timer_id;
    ++counted->calls;
}

uint32_t start_counting(Counted& counted, uint32_t flags) {
    return timer_set_event(10, 1, count_call, reinterpret_cast<uintptr_t>(&counted), flags);
}

TEST_F(PlatformTimerTest, CapsComeFromTheFaultSettings) {
    TimerCaps caps;
    ASSERT_EQ(timer_get_dev_caps(&caps, sizeof caps), PLATFORM_OK);
    EXPECT_EQ(caps.period_min, 1u);
    EXPECT_EQ(caps.period_max, 1000000u);
    platform_faults().timer_period_min = 0;
    ASSERT_EQ(timer_get_dev_caps(&caps, sizeof caps), PLATFORM_OK);
    EXPECT_EQ(caps.period_min, 0u);
    platform_faults().timer_caps_fail = true;
    EXPECT_NE(timer_get_dev_caps(&caps, sizeof caps), PLATFORM_OK);
    platform_faults().timer_caps_fail = false;
    EXPECT_NE(timer_get_dev_caps(&caps, 4), PLATFORM_OK);
    EXPECT_NE(timer_get_dev_caps(nullptr, sizeof caps), PLATFORM_OK);
}

TEST_F(PlatformTimerTest, PeriodRequestsBalanceAndOnlyBegunPeriodsEnd) {
    const int32_t before = timer_period_requests();
    ASSERT_EQ(timer_begin_period(1), PLATFORM_OK);
    ASSERT_EQ(timer_begin_period(5), PLATFORM_OK);
    EXPECT_EQ(timer_period_requests(), before + 2);
    EXPECT_NE(timer_end_period(3), PLATFORM_OK);
    EXPECT_EQ(timer_end_period(5), PLATFORM_OK);
    EXPECT_EQ(timer_end_period(1), PLATFORM_OK);
    EXPECT_NE(timer_end_period(1), PLATFORM_OK);
    EXPECT_EQ(timer_period_requests(), before);
}

TEST_F(PlatformTimerTest, PeriodsOutsideTheCapsAreRefused) {
    platform_faults().timer_period_min = 2;
    platform_faults().timer_period_max = 50;
    const int32_t before = timer_period_requests();
    EXPECT_NE(timer_begin_period(0), PLATFORM_OK);
    EXPECT_NE(timer_begin_period(1), PLATFORM_OK);
    EXPECT_NE(timer_begin_period(51), PLATFORM_OK);
    EXPECT_EQ(timer_period_requests(), before);
    ASSERT_EQ(timer_begin_period(50), PLATFORM_OK);
    EXPECT_EQ(timer_end_period(50), PLATFORM_OK);
}

TEST_F(PlatformTimerTest, PeriodicEventRunsUntilKilled) {
    ScopedClockScale fast(10.0);
    Counted counted;
    const uint32_t id = start_counting(counted, TIMER_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(wait_until([&] { return counted.calls >= 5; }));
    EXPECT_EQ(counted.last_id, id);
    ASSERT_EQ(timer_kill_event(id), PLATFORM_OK);
    const int32_t at_kill = counted.calls;
    sleep_ms(100);
    EXPECT_EQ(counted.calls, at_kill);
    EXPECT_NE(timer_kill_event(id), PLATFORM_OK);
}

TEST_F(PlatformTimerTest, OneShotEventRunsOnce) {
    ScopedClockScale fast(10.0);
    Counted counted;
    const uint32_t id = start_counting(counted, TIMER_ONESHOT);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(wait_until([&] { return counted.calls >= 1; }));
    sleep_ms(100);
    EXPECT_EQ(counted.calls, 1);
    EXPECT_EQ(timer_kill_event(id), PLATFORM_OK);
}

TEST_F(PlatformTimerTest, EventsThatCannotStartGiveZero) {
    Counted counted;
    const auto user = reinterpret_cast<uintptr_t>(&counted);
    EXPECT_EQ(timer_set_event(10, 1, nullptr, user, TIMER_PERIODIC), 0u);
    EXPECT_EQ(timer_set_event(0, 1, count_call, user, TIMER_PERIODIC), 0u);
    platform_faults().timer_create_fails = true;
    EXPECT_EQ(timer_set_event(10, 1, count_call, user, TIMER_PERIODIC), 0u);
    EXPECT_NE(timer_kill_event(0), PLATFORM_OK);
}

TEST_F(PlatformTimerTest, RefusedKillLeavesTheEventRunning) {
    ScopedClockScale fast(10.0);
    Counted counted;
    const uint32_t id = start_counting(counted, TIMER_PERIODIC);
    ASSERT_NE(id, 0u);
    platform_faults().timer_kill_fails = true;
    EXPECT_NE(timer_kill_event(id), PLATFORM_OK);
    const int32_t at_refusal = counted.calls;
    ASSERT_TRUE(wait_until([&] { return counted.calls > at_refusal; }));
    platform_faults().timer_kill_fails = false;
    EXPECT_EQ(timer_kill_event(id), PLATFORM_OK);
}

// The callback stays inside for a while; the kill must not return before it has left.
struct SlowCallback {
    std::atomic<bool> inside{false};
    std::atomic<bool> left{false};
    std::atomic<int32_t> entered{0};
};

void slow_call(uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
    auto* slow = reinterpret_cast<SlowCallback*>(user);
    ++slow->entered;
    slow->inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    slow->inside = false;
    slow->left = true;
}

TEST_F(PlatformTimerTest, ThreadKillWaitsForTheRunningCallback) {
    SlowCallback slow;
    const uint32_t id =
        timer_set_event(1, 1, slow_call, reinterpret_cast<uintptr_t>(&slow), TIMER_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(wait_until([&] { return slow.inside.load(); }));
    ASSERT_EQ(timer_kill_event(id), PLATFORM_OK);
    EXPECT_TRUE(slow.left);
    EXPECT_FALSE(slow.inside);
    const int32_t entered = slow.entered;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(slow.entered, entered);
}

struct SelfKilling {
    std::atomic<uint32_t> id{0};
    std::atomic<int32_t> calls{0};
    std::atomic<PlatformResult> result{PLATFORM_FAILED};
};

void kill_self(uint32_t timer_id, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
    auto* self = reinterpret_cast<SelfKilling*>(user);
    if (++self->calls == 1) {
        self->result = timer_kill_event(timer_id);
    }
}

TEST_F(PlatformTimerTest, ThreadCallbackMayKillItsOwnEvent) {
    SelfKilling self;
    const uint32_t id =
        timer_set_event(1, 1, kill_self, reinterpret_cast<uintptr_t>(&self), TIMER_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(wait_until([&] { return self.calls >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(self.result, PLATFORM_OK);
    EXPECT_EQ(self.calls, 1);
}

}  // namespace

}  // namespace qx

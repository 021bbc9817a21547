#include "audio/media_clock.h"
#include "audio/stream_feeder.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/timer.h"
#include "tests/audio/clock_rig.h"

namespace qx {

namespace {

std::vector<uint8_t> bytes_of(const std::vector<uint8_t>& memory, size_t from, size_t count) {
    return {memory.begin() + static_cast<std::ptrdiff_t>(from),
            memory.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

bool last_lock_is(const SoftSoundBufferRecord& stream, uint32_t offset, uint32_t bytes) {
    return stream.last_lock_offset == offset && stream.last_lock_bytes == bytes;
}

}  // namespace

TEST(MediaClock, FreeSpaceAcrossTheWrapSplitsTheBlock) {
    EXPECT_EQ(stream_free_space(1000, 30000, 32768), 3768);
    EXPECT_EQ(stream_free_space(500, 500, 32768), 0);
    ClockRig rig(true);
    ASSERT_NE(rig.params.stream_buffer, nullptr);
    rig.context.sound.stream_write = 30000;
    rig.set_cursor(1000);
    rig.queue(3000, 7);
    rig.tick();
    ASSERT_EQ(rig.stream().locks, 1);
    EXPECT_TRUE(last_lock_is(rig.stream(), 30000, 3000));
    const std::vector<uint8_t>& block = *rig.blocks[0];
    EXPECT_EQ(rig.stream_bytes(30000, 2768), bytes_of(block, 0, 2768));
    EXPECT_EQ(rig.stream_bytes(0, 232), bytes_of(block, 2768, 232));
    EXPECT_EQ(rig.context.sound.stream_write, 232);
    EXPECT_EQ(rig.context.sound.clock, 7);
    EXPECT_EQ(rig.context.reader.audio_ring.queued, 0);
    EXPECT_EQ(rig.context.reader.audio_ring.read, 1);
    EXPECT_EQ(rig.context.reader.audio_ring.slots[0].data, nullptr);
    EXPECT_EQ(rig.context.reader.audio_ring.slots[0].bytes, 0);
}

TEST(MediaClock, BlockLargerThanTheFreeSpaceWaits) {
    ClockRig rig(true);
    rig.set_cursor(1000);
    rig.queue(2000, 3);
    rig.context.sound.clock = 1;
    rig.tick();
    EXPECT_EQ(rig.stream().locks, 0);
    EXPECT_EQ(rig.context.sound.clock, 1);
    EXPECT_EQ(rig.context.reader.audio_ring.queued, 1);
    rig.set_cursor(2000);
    rig.tick();
    EXPECT_EQ(rig.context.sound.clock, 3);
    EXPECT_EQ(rig.context.sound.stream_write, 2000);
}

// The pace wait sleeps until the tick the latest tick foresees: no tick may move the clock
// sooner, and with silent mode's cursor keeping exact time, that tick is the one that does.
TEST(MediaClock, TickForeseesTheTickThatMovesTheClock) {
    // Platform time all but stands still, so that no tick is owed a catch-up.
    ScopedClockScale still(0.001);
    for (const int32_t rate : {22050, 22051, 7999}) {
        ClockRig rig(false);
        rig.context.sound.sample_rate = rate;
        int32_t stamp = 1;
        for (const int32_t bytes : {5880, 3001, 12000, 4, 882, 16384}) {
            rig.queue(bytes, stamp++);
        }
        uint32_t foreseen = 0;  // nothing before the first tick
        for (int tick = 0; tick < 300; ++tick) {
            const int32_t clock = rig.context.sound.clock;
            rig.tick();
            const bool moved = rig.context.sound.clock != clock;
            if (foreseen != 0) {
                EXPECT_EQ(moved, foreseen == 1) << "rate " << rate << ", tick " << tick;
            }
            foreseen = (rig.context.sound.clock_change_due_ms - rig.context.sound.last_tick_ms) /
                       CLOCK_TICK_MS;
            ASSERT_GE(foreseen, 1u);
        }
        EXPECT_EQ(rig.context.reader.audio_ring.queued, 0);
    }
}

TEST(MediaClock, NothingIsFreeAtTheStartOfStreamingExceptInSilentMode) {
    ClockRig sound(true);
    sound.queue(100, 4);
    sound.tick();
    EXPECT_EQ(sound.context.reader.audio_ring.queued, 1);
    EXPECT_EQ(sound.context.sound.clock, 0);

    ClockRig silent(false);
    EXPECT_EQ(silent.context.sound.silent, 1);
    silent.queue(100, 4);
    silent.tick();
    EXPECT_EQ(silent.context.reader.audio_ring.queued, 0);
    EXPECT_EQ(silent.context.sound.clock, 4);
}

TEST(MediaClock, SilentCursorWrapsBySubtraction) {
    ClockRig rig(false);
    EXPECT_EQ(rig.context.sound.stream_bytes, 32768);
    for (int i = 0; i < 38; ++i) {
        rig.tick();
    }
    EXPECT_EQ(rig.context.sound.silent_play_pos, 748);
    EXPECT_EQ(rig.context.sound.stream_write, 748);
    // An empty ring at every tick: the clock goes up by one a tick.
    EXPECT_EQ(rig.context.sound.clock, 38);
    EXPECT_EQ(rig.context.sound.timer_ticks, 38);
}

TEST(MediaClock, EmptySlotTakesTheSilencePathEvenWithNothingFree) {
    ClockRig rig(true);
    rig.tick();
    EXPECT_EQ(rig.context.sound.clock, 1);
    EXPECT_EQ(rig.stream().locks, 0);
    EXPECT_EQ(rig.context.sound.stream_write, 0);
}

TEST(MediaClock, EmptyRingZeroFillsAllFreeSpace) {
    ClockRig rig(true);
    rig.fill_stream(0xAA);
    const int32_t locks = rig.stream().locks;
    rig.set_cursor(5000);
    rig.tick();
    ASSERT_EQ(rig.stream().locks, locks + 1);
    EXPECT_TRUE(last_lock_is(rig.stream(), 0, 5000));
    EXPECT_EQ(rig.stream_bytes(0, 5000), std::vector<uint8_t>(5000, 0));
    EXPECT_EQ(rig.stream_bytes(5000, 1)[0], 0xAA);
    EXPECT_EQ(rig.context.sound.stream_write, 5000);
    EXPECT_EQ(rig.context.sound.clock, 1);
}

TEST(MediaClock, FailedLockDropsTheBlockButTheStreamMovesOn) {
    ClockRig rig(true);
    rig.backend.faults().buffer_lock = SOFT_FAULT_ALWAYS;
    rig.set_cursor(4000);
    rig.queue(1000, 9);
    rig.tick();
    EXPECT_EQ(rig.context.sound.stream_write, 1000);
    EXPECT_EQ(rig.context.reader.audio_ring.queued, 0);
    EXPECT_EQ(rig.context.sound.clock, 9);
}

TEST(MediaClock, FailedCursorQuerySkipsTheTick) {
    ClockRig rig(true);
    rig.backend.faults().current_position = SOFT_FAULT_ALWAYS;
    rig.queue(0, 5);
    rig.tick();
    EXPECT_EQ(rig.context.reader.audio_ring.queued, 1);
    EXPECT_EQ(rig.context.sound.clock, 0);
    EXPECT_EQ(rig.context.sound.timer_ticks, 1);
}

TEST(MediaClock, BlockLargerThanTheBufferGoesInPieces) {
    ClockRig rig(true, 4096);
    ASSERT_EQ(rig.context.sound.stream_bytes, 4096);
    rig.queue(10000, 6);
    rig.queue(40, 8, 200);
    uint32_t cursor = 0;
    for (int i = 0; i < 40 && rig.context.reader.audio_ring.queued == 2; ++i) {
        cursor = (cursor + 1000) % 4096;
        rig.set_cursor(cursor);
        rig.tick();
        if (rig.context.reader.audio_ring.queued == 2) {
            EXPECT_EQ(rig.context.sound.clock, 0) << "the clock moves once the whole block is in";
        }
    }
    EXPECT_EQ(rig.context.sound.clock, 6);
    EXPECT_EQ(rig.backend.written(0), *rig.blocks[0]);
    cursor = (cursor + 1000) % 4096;
    rig.set_cursor(cursor);
    rig.tick();
    EXPECT_EQ(rig.context.sound.clock, 8);
    EXPECT_EQ(rig.context.reader.audio_ring.queued, 0);
}

TEST(MediaClock, TickOnlyCountsItselfBeforeTheSoundStartsAndSkipsWhenLocked) {
    ClockRig rig(false);
    rig.context.sound.sound_started = 0;
    rig.tick();
    EXPECT_EQ(rig.context.sound.silent_play_pos, 0);
    EXPECT_EQ(rig.context.sound.timer_ticks, 1);
    rig.context.sound.sound_started = 1;
    rig.context.sound.timer_lock = 1;
    rig.tick();
    EXPECT_EQ(rig.context.sound.timer_ticks, 1);
    EXPECT_EQ(rig.context.sound.clock, 0);
}

class MediaClockTimer : public ::testing::Test {
  protected:
    void SetUp() override {
        platform_faults_reset();
        platform_clock_set_scale(20.0);
        context.params = &params;
        link_stages(context);
        requests = timer_period_requests();
    }
    void TearDown() override {
        clock_stop(context.sound);
        platform_faults_reset();
        platform_clock_set_scale(1.0);
        EXPECT_EQ(timer_period_requests(), requests);
    }

    PlayParams params{};
    PlayerContext context{};
    int32_t requests = 0;
};

TEST_F(MediaClockTimer, StartFailuresAreReportedAndBalanced) {
    platform_faults().timer_caps_fail = true;
    EXPECT_EQ(clock_start(context.sound), CLOCK_NO_TIMER_CAPS);
    EXPECT_EQ(timer_period_requests(), requests);
    platform_faults_reset();
    platform_faults().timer_create_fails = true;
    EXPECT_EQ(clock_start(context.sound), CLOCK_NO_TIMER);
    EXPECT_EQ(context.sound.timer_id, 0u);
}

TEST_F(MediaClockTimer, ResolutionIsTheMinimumPeriodButNeverBelowOne) {
    platform_faults().timer_period_min = 0;
    ASSERT_EQ(clock_start(context.sound), CLOCK_STARTED);
    EXPECT_EQ(context.sound.timer_period, 1u);
    EXPECT_EQ(clock_stop(context.sound), 0);
    platform_faults().timer_period_min = 5;
    platform_faults().timer_period_max = 3;
    ASSERT_EQ(clock_start(context.sound), CLOCK_STARTED);
    EXPECT_EQ(context.sound.timer_period, 3u);
}

TEST_F(MediaClockTimer, TimerTicksUntilStopped) {
    ASSERT_EQ(clock_start(context.sound), CLOCK_STARTED);
    EXPECT_EQ(timer_period_requests(), requests + 1);
    while (interlocked_load(context.sound.timer_ticks) < 5) {
        sleep_ms(10);
    }
    EXPECT_EQ(clock_stop(context.sound), 0);
    EXPECT_EQ(context.sound.timer_id, 0u);
    const int32_t ticks = context.sound.timer_ticks;
    sleep_ms(50);
    EXPECT_EQ(context.sound.timer_ticks, ticks);
    EXPECT_EQ(clock_stop(context.sound), 0) << "no timer: returns at once";
}

TEST_F(MediaClockTimer, StopGivesUpWaitingForAStuckTickAndKillsTheTimer) {
    ASSERT_EQ(clock_start(context.sound), CLOCK_STARTED);
    interlocked_store(context.sound.timer_lock, 1);
    const int64_t before = platform_clock_now_us();
    EXPECT_EQ(clock_stop(context.sound), 0);
    EXPECT_GE(platform_clock_now_us() - before, int64_t{CLOCK_STOP_ATTEMPTS} * 2000);
    EXPECT_EQ(context.sound.timer_id, 0u);
    EXPECT_EQ(context.sound.timer_lock, 0);
}

TEST_F(MediaClockTimer, TimerThatCannotBeKilledKeepsTheLock) {
    ASSERT_EQ(clock_start(context.sound), CLOCK_STARTED);
    platform_faults().timer_kill_fails = true;
    EXPECT_EQ(clock_stop(context.sound), 1);
    EXPECT_EQ(interlocked_load(context.sound.timer_lock), 1);
    EXPECT_NE(context.sound.timer_id, 0u);
    const int32_t ticks = interlocked_load(context.sound.timer_ticks);
    sleep_ms(50);
    EXPECT_EQ(interlocked_load(context.sound.timer_ticks), ticks) << "every later tick is skipped";
    platform_faults().timer_kill_fails = false;
}

}  // namespace qx

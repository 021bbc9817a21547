#include "audio/media_clock.h"

#include <algorithm>

#include "audio/stream_feeder.h"
#include "platform/kernel.h"
#include "platform/timer.h"

namespace qx {

int32_t clock_start(SoundStream& sound) {
    interlocked_store(sound.timer_ticks, 0);
    TimerCaps caps;
    if (timer_get_dev_caps(&caps, sizeof caps) != PLATFORM_OK) {
        return CLOCK_NO_TIMER_CAPS;
    }
    uint32_t period = caps.period_min > 1 ? caps.period_min : 1;
    period = period < caps.period_max ? period : caps.period_max;
    // A device that claims no period at all still gets the finest one a request can name.
    sound.timer_period = period > 0 ? period : 1;
    timer_begin_period(sound.timer_period);
    interlocked_exchange(sound.timer_lock, 0);
    sound.timer_id = timer_set_event(CLOCK_TICK_MS, sound.timer_period, clock_tick,
                                     reinterpret_cast<uintptr_t>(&sound), TIMER_PERIODIC);
    if (sound.timer_id == 0) {
        timer_end_period(sound.timer_period);
        return CLOCK_NO_TIMER;
    }
    return CLOCK_STARTED;
}

void clock_tick(uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
    auto& sound = *reinterpret_cast<SoundStream*>(user);
    if (interlocked_exchange(sound.timer_lock, 1) != 0) {
        return;
    }
    const int32_t quiet_ticks = interlocked_load(sound.sound_started) ? stream_audio(sound) : 1;
    interlocked_increment(sound.timer_ticks);
    const uint32_t now = tick_count();
    interlocked_store(sound.last_tick_ms, now);
    interlocked_store(sound.clock_change_due_ms,
                      now + static_cast<uint32_t>(quiet_ticks) * CLOCK_TICK_MS);
    interlocked_exchange(sound.timer_lock, 0);
}

uint32_t clock_next_change_ms(SoundStream& sound) {
    const uint32_t now = tick_count();
    // One more millisecond, so that the waiter wakes after the tick rather than just before.
    const auto until_due = static_cast<int32_t>(interlocked_load(sound.clock_change_due_ms) - now);
    if (until_due > 0) {
        return std::min(static_cast<uint32_t>(until_due), CLOCK_WAIT_MOST_MS) + 1;
    }
    const uint32_t since = now - interlocked_load(sound.last_tick_ms);
    return since < CLOCK_TICK_MS ? CLOCK_TICK_MS - since + 1 : 1;
}

void clock_hold_ticks(SoundStream& sound) {
    for (int32_t attempt = 0; attempt < CLOCK_STOP_ATTEMPTS; ++attempt) {
        if (interlocked_exchange(sound.timer_lock, 1) == 0) {
            return;
        }
        sleep_ms(CLOCK_STOP_RETRY_MS);
    }
}

void clock_release_ticks(SoundStream& sound) {
    // The stream may have changed under the hold: what the latest tick foresaw no longer holds.
    interlocked_store(sound.clock_change_due_ms, tick_count());
    interlocked_exchange(sound.timer_lock, 0);
}

int32_t clock_stop(SoundStream& sound) {
    if (sound.timer_id == 0) {
        return 0;
    }
    clock_hold_ticks(sound);
    if (timer_kill_event(sound.timer_id) != PLATFORM_OK) {
        return 1;
    }
    sound.timer_id = 0;
    clock_release_ticks(sound);
    timer_end_period(sound.timer_period);
    return 0;
}

}  // namespace qx

#pragma once
#include <cstdint>

#include "audio/sound_stream.h"

namespace qx {

inline constexpr uint32_t CLOCK_TICK_MS = 10;
inline constexpr int32_t TICKS_PER_SECOND = 1000 / CLOCK_TICK_MS;
inline constexpr int32_t CLOCK_STOP_ATTEMPTS = 500;
inline constexpr uint32_t CLOCK_STOP_RETRY_MS = 2;
// Longest wait for the clock in one sleep, so that a stop or a seek is not kept waiting.
inline constexpr uint32_t CLOCK_WAIT_MOST_MS = 100;

// Results of clock_start.
inline constexpr int32_t CLOCK_STARTED = 0;
inline constexpr int32_t CLOCK_NO_TIMER_CAPS = 1;
inline constexpr int32_t CLOCK_NO_TIMER = 2;

// Starts the 10 ms timer whose tick streams the audio ring into the sound buffer and keeps
// `clock`. Returns CLOCK_STARTED, CLOCK_NO_TIMER_CAPS or CLOCK_NO_TIMER.
int32_t clock_start(SoundStream& sound);
// The timer callback; `user` is the SoundStream.
void clock_tick(uint32_t timer_id, uint32_t message, uintptr_t user, uintptr_t reserved1,
                uintptr_t reserved2);
// Milliseconds until the clock can next change: just past the earliest tick that may change
// it (the next one when nothing is foreseen), at least 1, at most CLOCK_WAIT_MOST_MS + 1.
uint32_t clock_next_change_ms(SoundStream& sound);
// Keeps every tick from acting until clock_release_ticks, for work on the rings and the stream
// that must not meet a tick: takes the tick lock, waiting for a running tick to finish (giving
// up after CLOCK_STOP_ATTEMPTS tries, as the stop does).
void clock_hold_ticks(SoundStream& sound);
void clock_release_ticks(SoundStream& sound);
// Kills the timer, waiting for a running tick first. Returns 0, or 1 when the timer could not
// be killed (the tick lock then stays taken, so no later tick does anything).
int32_t clock_stop(SoundStream& sound);

}  // namespace qx

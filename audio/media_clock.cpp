#include "audio/media_clock.h"

#include "platform/kernel.h"

// Placeholder until the media clock lands: no timer; the clock jumps far ahead so that the
// loop's pacing never waits and queued audio counts as consumed.
int32_t clock_start(PlayerContext& context) {
    interlocked_store(context.clock, INT32_MAX / 2);
    return 0;
}

void clock_tick(uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {}

int32_t clock_stop(PlayerContext&) {
    return 0;
}

#pragma once
#include <cstdint>

#include "platform/result.h"

namespace qx {

// Multimedia timer: periodic events on a timer thread of the platform.
struct TimerCaps {
    uint32_t period_min = 0;  // milliseconds
    uint32_t period_max = 0;
};

using TimerCallback = void (*)(uint32_t timer_id, uint32_t message, uintptr_t user,
                               uintptr_t reserved1, uintptr_t reserved2);

inline constexpr uint32_t TIMER_ONESHOT = 0x0;
inline constexpr uint32_t TIMER_PERIODIC = 0x1;

// Returns 0 and fills caps; nonzero when the capabilities cannot be read.
PlatformResult timer_get_dev_caps(TimerCaps* caps, uint32_t caps_bytes);
PlatformResult timer_begin_period(uint32_t period_ms);
PlatformResult timer_end_period(uint32_t period_ms);
// Starts an event `delay_ms` from now (and every `delay_ms` with TIMER_PERIODIC); returns its
// identifier, 0 when it cannot be created.
uint32_t timer_set_event(uint32_t delay_ms, uint32_t resolution_ms, TimerCallback callback,
                         uintptr_t user, uint32_t flags);
// Returns 0 once the event is killed: no callback of it runs then or later.
PlatformResult timer_kill_event(uint32_t timer_id);

// Resolution requests begun and not yet ended (for tests of balanced begin/end).
int32_t timer_period_requests();

}  // namespace qx

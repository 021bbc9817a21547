#include "platform/timer.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/faults.h"
#include "platform/platform_clock.h"

namespace qx {

namespace {

constexpr int64_t KILL_LATENCY_US = 10000;

// One event, run on a thread of its own. `stopped` is read before every callback, so once
// kill has set it and joined the thread no callback can run any more.
struct TimerEvent {
    std::atomic<bool> stopped{false};
    std::thread thread;
};

struct TimerTable {
    std::mutex mutex;
    std::map<uint32_t, std::shared_ptr<TimerEvent>> events;
    uint32_t next_id = 1;
    // Resolution requests begun and not yet ended, by period.
    std::map<uint32_t, int32_t> period_requests;

    // Events still running at process exit are stopped and let go.
    ~TimerTable() {
        for (auto& entry : events) {
            entry.second->stopped = true;
            entry.second->thread.detach();
        }
    }
};

TimerTable& timer_table() {
    static TimerTable table;
    return table;
}

void run_event(std::shared_ptr<TimerEvent> event, uint32_t id, uint32_t delay_ms,
               TimerCallback callback, uintptr_t user, bool periodic) {
    const int64_t period_us = static_cast<int64_t>(delay_ms) * 1000;
    int64_t due = platform_clock_now_us() + period_us;
    while (!event->stopped.load(std::memory_order_acquire)) {
        // One sleep until the event is due, in slices of at most KILL_LATENCY_US so that a
        // kill does not wait for a whole long period: a 10-ms timer wakes once a period.
        const int64_t wait = due - platform_clock_now_us();
        if (wait > 0) {
            platform_clock_sleep_us(wait < KILL_LATENCY_US ? wait : KILL_LATENCY_US);
            continue;
        }
        callback(id, 0, user, 0, 0);
        if (!periodic) {
            return;
        }
        due += period_us;
        // A callback that overran several periods does not cause a burst of catch-up calls.
        const int64_t now = platform_clock_now_us();
        if (due < now - period_us) {
            due = now;
        }
    }
}

}  // namespace

PlatformResult timer_get_dev_caps(TimerCaps* caps, uint32_t caps_bytes) {
    const PlatformFaults& faults = platform_faults();
    if (caps == nullptr || caps_bytes < sizeof(TimerCaps) || faults.timer_caps_fail) {
        return PLATFORM_FAILED;
    }
    caps->period_min = faults.timer_period_min;
    caps->period_max = faults.timer_period_max;
    return PLATFORM_OK;
}

PlatformResult timer_begin_period(uint32_t period_ms) {
    const PlatformFaults& faults = platform_faults();
    if (period_ms == 0 || period_ms < faults.timer_period_min ||
        period_ms > faults.timer_period_max) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    TimerTable& table = timer_table();
    std::lock_guard lock(table.mutex);
    ++table.period_requests[period_ms];
    return PLATFORM_OK;
}

PlatformResult timer_end_period(uint32_t period_ms) {
    TimerTable& table = timer_table();
    std::lock_guard lock(table.mutex);
    // Only a period that was begun can end; anything else would unbalance the count.
    const auto found = table.period_requests.find(period_ms);
    if (found == table.period_requests.end()) {
        return PLATFORM_INVALID_ARGUMENT;
    }
    if (--found->second == 0) {
        table.period_requests.erase(found);
    }
    return PLATFORM_OK;
}

uint32_t timer_set_event(uint32_t delay_ms, uint32_t /*resolution_ms*/, TimerCallback callback,
                         uintptr_t user, uint32_t flags) {
    if (callback == nullptr || delay_ms == 0 || platform_faults().timer_create_fails) {
        return 0;
    }
    TimerTable& table = timer_table();
    std::lock_guard lock(table.mutex);
    const uint32_t id = table.next_id++;
    if (table.next_id == 0) {
        table.next_id = 1;
    }
    auto event = std::make_shared<TimerEvent>();
    try {
        event->thread = std::thread(run_event, event, id, delay_ms, callback, user,
                                    (flags & TIMER_PERIODIC) != 0);
    } catch (const std::system_error&) {
        return 0;
    }
    table.events.emplace(id, std::move(event));
    return id;
}

PlatformResult timer_kill_event(uint32_t timer_id) {
    if (platform_faults().timer_kill_fails) {
        return PLATFORM_FAILED;
    }
    std::shared_ptr<TimerEvent> event;
    {
        TimerTable& table = timer_table();
        std::lock_guard lock(table.mutex);
        const auto found = table.events.find(timer_id);
        if (found == table.events.end()) {
            return PLATFORM_INVALID_ARGUMENT;
        }
        event = std::move(found->second);
        table.events.erase(found);
    }
    event->stopped.store(true, std::memory_order_release);
    if (event->thread.get_id() == std::this_thread::get_id()) {
        // Killed from its own callback: the loop sees `stopped` when the callback returns.
        event->thread.detach();
    } else {
        event->thread.join();
    }
    return PLATFORM_OK;
}

int32_t timer_period_requests() {
    TimerTable& table = timer_table();
    std::lock_guard lock(table.mutex);
    int32_t requests = 0;
    for (const auto& entry : table.period_requests) {
        requests += entry.second;
    }
    return requests;
}

}  // namespace qx

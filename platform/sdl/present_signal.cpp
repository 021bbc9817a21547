#include "platform/sdl/present_signal.h"

#include <condition_variable>
#include <mutex>

namespace qx {

namespace {

struct PresentSignal {
    std::mutex mutex;
    std::condition_variable raised;
    uint64_t count = 0;
};

PresentSignal& present_signal() {
    static PresentSignal signal;
    return signal;
}

}  // namespace

void present_signal_raise() {
    PresentSignal& signal = present_signal();
    {
        std::lock_guard lock(signal.mutex);
        ++signal.count;
    }
    signal.raised.notify_all();
}

uint64_t present_signal_wait(uint64_t seen, PresentClock::time_point deadline) {
    PresentSignal& signal = present_signal();
    std::unique_lock lock(signal.mutex);
    signal.raised.wait_until(lock, deadline, [&] { return signal.count > seen; });
    return signal.count;
}

uint64_t present_signal_count() {
    PresentSignal& signal = present_signal();
    std::lock_guard lock(signal.mutex);
    return signal.count;
}

}  // namespace qx

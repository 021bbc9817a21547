#pragma once
#include <chrono>
#include <thread>

namespace qx {

// Polls `done` every millisecond of real time; false when ten real seconds pass first. Tests
// wait for what must happen this way instead of asserting on how fast it happens.
template <typename Condition>
bool wait_until(Condition done) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace qx

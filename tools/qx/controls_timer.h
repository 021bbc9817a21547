#pragma once
#include <chrono>
#include <string>

namespace qx {

// When the on-screen controls of `qx play` show: from a touch (a key, a click, the pointer
// moving) until CONTROLS_SHOWN_FOR after the last one, and on while the pointer rests on the
// bar; a message shows for MESSAGE_SHOWN_FOR whatever the controls do.
class ControlsTimer {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration CONTROLS_SHOWN_FOR = std::chrono::seconds(2);
    static constexpr Clock::duration MESSAGE_SHOWN_FOR = std::chrono::seconds(4);

    void touch(Clock::time_point now) { bar_until_ = now + CONTROLS_SHOWN_FOR; }
    void say(std::string message, Clock::time_point now);
    bool bar_shown(Clock::time_point now, bool pointer_on_bar) const;
    // The message showing at `now`, or an empty one.
    std::string message(Clock::time_point now) const;
    // The next time what shows changes by itself; Clock::time_point::max() when never.
    Clock::time_point next_change(Clock::time_point now) const;

  private:
    Clock::time_point bar_until_{};
    Clock::time_point message_until_{};
    std::string message_;
};

}  // namespace qx

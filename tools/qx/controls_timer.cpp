#include "tools/qx/controls_timer.h"

#include <algorithm>

namespace qx {

void ControlsTimer::say(std::string message, Clock::time_point now) {
    message_ = std::move(message);
    message_until_ = now + MESSAGE_SHOWN_FOR;
    touch(now);
}

bool ControlsTimer::bar_shown(Clock::time_point now, bool pointer_on_bar) const {
    return pointer_on_bar || now < bar_until_;
}

std::string ControlsTimer::message(Clock::time_point now) const {
    return now < message_until_ ? message_ : std::string();
}

ControlsTimer::Clock::time_point ControlsTimer::next_change(Clock::time_point now) const {
    Clock::time_point next = Clock::time_point::max();
    for (const Clock::time_point until : {bar_until_, message_until_}) {
        if (until > now) {
            next = std::min(next, until);
        }
    }
    return next;
}

}  // namespace qx

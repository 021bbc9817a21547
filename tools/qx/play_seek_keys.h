#pragma once
#include <cstdint>

#include "tools/qx/play_status.h"

namespace qx {

// Where a key or a click of `qx play` moves the movie, worked out from what the status line
// knows; the session carries it out with the player's seek operations.
struct PlaySeek {
    enum class Kind { none, to_time, to_frame, step };
    Kind kind = Kind::none;
    int64_t value = 0;  // milliseconds, a frame number, or frames to step (+1 or -1)
};

inline constexpr uint32_t SEEK_SHORT_MS = 5000;   // Left and Right
inline constexpr uint32_t SEEK_LONG_MS = 60000;   // Down and Up
inline constexpr int32_t SEEK_PAGE_PERCENT = 10;  // PageDown and PageUp

// Left/Right 5 s, Down/Up 60 s, Home/End, PageDown/PageUp a tenth of the movie, `.` and `,`
// a frame; none for any other key.
PlaySeek seek_for_key(uint32_t key, const PlayStatus& status);
// `delta_ms` from the position, within the movie; none when the status has no time.
PlaySeek seek_by_time(const PlayStatus& status, int64_t delta_ms);

}  // namespace qx

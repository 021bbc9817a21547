#include "tools/qx/play_seek_keys.h"

#include <algorithm>

#include "platform/window.h"

namespace qx {

namespace {

PlaySeek to_frame(const PlayStatus& status, int64_t frame) {
    if (status.frames <= 0) {
        return {};
    }
    return {PlaySeek::Kind::to_frame, std::clamp<int64_t>(frame, 0, status.frames - 1)};
}

PlaySeek by_page(const PlayStatus& status, int64_t direction) {
    const int64_t page = std::max<int64_t>(int64_t{status.frames} * SEEK_PAGE_PERCENT / 100, 1);
    return to_frame(status, std::max(status.frame, 0) + direction * page);
}

}  // namespace

PlaySeek seek_by_time(const PlayStatus& status, int64_t delta_ms) {
    if (!status.timed) {
        return {};
    }
    const int64_t target = int64_t{status.position_ms} + delta_ms;
    return {PlaySeek::Kind::to_time, std::clamp<int64_t>(target, 0, status.duration_ms)};
}

PlaySeek seek_for_key(uint32_t key, const PlayStatus& status) {
    switch (key) {
        case KEY_LEFT:
            return seek_by_time(status, -int64_t{SEEK_SHORT_MS});
        case KEY_RIGHT:
            return seek_by_time(status, SEEK_SHORT_MS);
        case KEY_DOWN:
            return seek_by_time(status, -int64_t{SEEK_LONG_MS});
        case KEY_UP:
            return seek_by_time(status, SEEK_LONG_MS);
        case KEY_HOME:
            return to_frame(status, 0);
        case KEY_END:
            return to_frame(status, status.frames - 1);
        case KEY_PAGE_DOWN:
            return by_page(status, -1);
        case KEY_PAGE_UP:
            return by_page(status, 1);
        case KEY_PERIOD:
            return {PlaySeek::Kind::step, 1};
        case KEY_COMMA:
            return {PlaySeek::Kind::step, -1};
        default:
            return {};
    }
}

}  // namespace qx

#include "platform/sdl/stream_cursor.h"

#include <algorithm>

namespace qx {

StreamCursor::StreamCursor(uint32_t buffer_bytes, uint32_t bytes_per_second)
    : buffer_bytes_(buffer_bytes), bytes_per_second_(bytes_per_second) {}

uint32_t StreamCursor::free_running_position(int64_t now_us) const {
    const int64_t elapsed = now_us > last_progress_us_ ? now_us - last_progress_us_ : 0;
    const int64_t moved = elapsed * bytes_per_second_ / 1000000;
    if (!looping_ && cursor_ + moved >= buffer_bytes_) {
        return 0;
    }
    return static_cast<uint32_t>((cursor_ + moved) % buffer_bytes_);
}

void StreamCursor::settle(int64_t now_us) {
    if (!free_running_) {
        return;
    }
    const int64_t elapsed = now_us > last_progress_us_ ? now_us - last_progress_us_ : 0;
    if (!looping_ && cursor_ + elapsed * bytes_per_second_ / 1000000 >= buffer_bytes_) {
        playing_ = false;
    }
    cursor_ = free_running_position(now_us);
    last_progress_us_ = now_us;
    last_taken_ = 0;
    free_running_ = false;
}

void StreamCursor::set_rate(uint32_t bytes_per_second, int64_t now_us) {
    std::lock_guard lock(mutex_);
    settle(now_us);
    bytes_per_second_ = bytes_per_second;
}

void StreamCursor::start(bool looping, int64_t now_us) {
    std::lock_guard lock(mutex_);
    settle(now_us);
    playing_ = true;
    looping_ = looping;
    last_progress_us_ = now_us;
    last_taken_ = 0;
}

void StreamCursor::stop(int64_t now_us) {
    std::lock_guard lock(mutex_);
    settle(now_us);
    playing_ = false;
}

bool StreamCursor::playing() {
    std::lock_guard lock(mutex_);
    return playing_;
}

uint32_t StreamCursor::device_position(int64_t now_us) {
    std::lock_guard lock(mutex_);
    settle(now_us);
    return cursor_;
}

void StreamCursor::device_played(uint32_t bytes, int64_t now_us) {
    std::lock_guard lock(mutex_);
    settle(now_us);
    const uint64_t next = uint64_t{cursor_} + bytes;
    if (!looping_ && next >= buffer_bytes_) {
        cursor_ = 0;
        playing_ = false;
    } else {
        cursor_ = static_cast<uint32_t>(next % buffer_bytes_);
    }
    last_progress_us_ = now_us;
    last_taken_ = bytes;
}

uint32_t StreamCursor::position(int64_t now_us, bool device_alive) {
    std::lock_guard lock(mutex_);
    if (playing_ && !free_running_ && (!device_alive || now_us - last_progress_us_ >= STALL_US)) {
        free_running_ = true;
    }
    if (!playing_) {
        return cursor_;
    }
    if (free_running_) {
        return free_running_position(now_us);
    }
    // Whole 4-byte steps keep the cursor on a sample frame of every format.
    const int64_t elapsed = now_us > last_progress_us_ ? now_us - last_progress_us_ : 0;
    const uint64_t heard =
        std::min<uint64_t>(last_taken_, uint64_t(elapsed) * bytes_per_second_ / 1000000 / 4 * 4);
    const uint64_t behind = (last_taken_ - heard) % buffer_bytes_;
    return static_cast<uint32_t>((cursor_ + buffer_bytes_ - behind) % buffer_bytes_);
}

}  // namespace qx

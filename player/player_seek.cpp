#include <algorithm>
#include <climits>

#include "platform/kernel.h"
#include "player/player.h"
#include "player/seek.h"

namespace qx {

namespace {

// The loop is there to carry out a seek: started and not ending.
bool loop_live(int32_t status) {
    return status == PLAYER_READY || status == PLAYER_STARTING || status == PLAYER_RUNNING ||
           status == PLAYER_PAUSED;
}

// Leaves `request` for the player's thread and, when that thread is not the caller's, waits
// for its answer.
int32_t ask_for_seek(PlayParams& params, int32_t request) {
    if (!loop_live(interlocked_load(params.status))) {
        return SEEK_NOT_PLAYING;
    }
    const int32_t answered = interlocked_load(params.seeks_done);
    interlocked_exchange(params.seek_request, request);
    // Without a thread of its own the loop runs on the application's thread, which can only
    // ask from inside the frame callback: the seek is carried out at the next turn.
    if (!(params.flags & PLAY_THREAD)) {
        return SEEK_DONE;
    }
    while (interlocked_load(params.seeks_done) == answered) {
        if (!loop_live(interlocked_load(params.status))) {
            return SEEK_NOT_PLAYING;
        }
        sleep_ms(1);
    }
    return interlocked_load(params.seek_result);
}

}  // namespace

int32_t player_seek(PlayParams& params, int32_t frame) {
    return ask_for_seek(params, seek_request_for_frame(frame));
}

int32_t player_seek_time(PlayParams& params, uint32_t milliseconds) {
    return ask_for_seek(params, seek_request_for_time(milliseconds));
}

int32_t player_step(PlayParams& params, int32_t delta) {
    if (interlocked_load(params.status) != PLAYER_PAUSED) {
        return SEEK_NOT_PLAYING;
    }
    const int32_t latest = interlocked_load(params.latest_frame);
    const int64_t target = std::clamp<int64_t>(int64_t{latest} + delta, 0, INT32_MAX);
    return player_seek(params, static_cast<int32_t>(target));
}

bool player_get_position(PlayParams& params, PlayerPosition& position) {
    const int32_t status = interlocked_load(params.status);
    position.frame = interlocked_load(params.latest_frame);
    position.frames = interlocked_load(params.movie_frames);
    position.duration_ms = interlocked_load(params.movie_duration_ms);
    position.position_ms = 0;
    // Rounded up, so that seeking to the time shown lands on the frame shown.
    if (position.frames > 0 && position.frame >= 0) {
        position.position_ms = static_cast<uint32_t>(
            (int64_t{position.frame} * position.duration_ms + position.frames - 1) /
            position.frames);
    }
    position.paused = status == PLAYER_PAUSED;
    position.ended = interlocked_load(params.held_at_end) != 0;
    return loop_live(status);
}

}  // namespace qx

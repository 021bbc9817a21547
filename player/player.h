#pragma once
#include <cstdint>

#include "play_params.h"

namespace qx {

// The five control operations of the player.
PlayParams* player_start(const char* file_name, WindowHandle window, PlayParams& params);
int32_t player_stop(PlayParams& params);
int32_t player_toggle_pause(PlayParams& params);
bool player_is_playing(PlayParams& params);
int32_t player_set_brightness(PlayParams& params, int32_t percent);

// Where a movie stands, for an application's status line.
struct PlayerPosition {
    int32_t frame;         // video chunk number of the latest frame shown (from 0), -1 before it
    int32_t frames;        // video frames in the movie, -1 while not yet known
    uint32_t position_ms;  // when the latest frame shown starts: frame x duration / frames
    uint32_t duration_ms;  // length of the movie's sound; 0 while not yet known, or without sound
    bool paused;
    bool ended;  // holding on the last frame (PLAY_HOLD_AT_END)
};

// Moves playback to exactly video frame `frame` (clamped to 0 .. frames - 1), showing it as
// playing from the start would: a playing movie plays on from there, a paused one stays paused
// showing it, and the sound starts afresh from the sound that follows that frame in the file.
// Works until the loop ends: at the end of a movie it ends by itself unless PLAY_HOLD_AT_END is
// set, and after that there is nothing left to seek in. With PLAY_THREAD it returns once the
// frame is shown; without, it can only be called from the frame callback and the frame is shown
// at the next turn. Returns 0 on success, nonzero when the movie cannot seek (no movie playing,
// no pictures, a file that cannot be followed there). After a seek `frames_shown` counts from
// the frame sought.
int32_t player_seek(PlayParams& params, int32_t frame);
// Seeks to the frame shown `milliseconds` into the movie; fails for a movie without sound,
// which has no time of its own.
int32_t player_seek_time(PlayParams& params, uint32_t milliseconds);
// While paused: shows the frame `delta` frames on (1: the next, -1: the previous), by a seek.
int32_t player_step(PlayParams& params, int32_t delta);
// False when no movie is playing (before the start, after the loop has ended).
bool player_get_position(PlayParams& params, PlayerPosition& position);

}  // namespace qx

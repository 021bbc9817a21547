#pragma once
#include <cstdint>

#include "player/play_params.h"
#include "player/player_context.h"

inline constexpr int32_t PREFILL_TARGET = 16;

// The five control operations of the player.
PlayParams* player_start(const char* file_name, WindowHandle window, PlayParams& params);
int32_t player_stop(PlayParams& params);
int32_t player_toggle_pause(PlayParams& params);
bool player_is_playing(PlayParams& params);
int32_t player_set_brightness(PlayParams& params, int32_t percent);

// The first half of player_start, for tools that read a movie without playing it: a context
// linked to `params`, the file open with its buffer, the first tag probed, arenas allocated.
// Null on failure, with nothing left allocated or open.
PlayerContext* player_open_stream(const char* file_name, WindowHandle window, PlayParams& params);
// Closes the stream of a context from player_open_stream and frees the context.
void player_close_stream(PlayerContext* context);

// What an application shows of a playing movie.
struct PlayerPosition {
    int32_t frame;   // video chunk number of the latest frame shown (from 0), -1 before the first
    int32_t frames;  // video frames in the movie, -1 while not yet known
    uint32_t
        position_ms;  // playing position from the clock (frames shown / frame rate when silent)
    uint32_t duration_ms;  // 0 while not yet known
    bool paused;
};

// Moves playback to exactly video frame `frame` (clamped to 0 .. frames - 1), playing or paused
// (a paused movie stays paused, showing that frame). Returns 0 on success, nonzero when the
// movie cannot seek.
int32_t player_seek(PlayParams& params, int32_t frame);
// Seeks to the frame shown at `milliseconds` into the movie.
int32_t player_seek_time(PlayParams& params, uint32_t milliseconds);
// While paused: shows the next (delta 1) or the previous (delta -1) frame.
int32_t player_step(PlayParams& params, int32_t delta);
// False when no movie is open.
bool player_get_position(PlayParams& params, PlayerPosition& position);

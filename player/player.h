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

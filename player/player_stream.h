#pragma once
#include <cstdint>

#include "player/play_params.h"

namespace qx {

// The player's own side of player_start, for the readers of this tree that take a movie apart
// without playing it; not installed with the player's interface.

// Entries the player queues in each ring before its first turn.
inline constexpr int32_t PREFILL_TARGET = 16;

// The first half of player_start, for tools that read a movie without playing it: a context
// linked to `params`, the file open with its buffer, the first tag probed, arenas allocated.
// Null on failure, with nothing left allocated or open.
PlayerContext* player_open_stream(const char* file_name, WindowHandle window, PlayParams& params);
// Closes the stream of a context from player_open_stream and frees the context.
void player_close_stream(PlayerContext* context);

}  // namespace qx

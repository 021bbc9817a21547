#pragma once
#include <cstdint>

#include "player/player_context.h"

int32_t sound_open(PlayerContext& context);
int32_t sound_stream_start(PlayerContext& context);
int32_t sound_stream_release(PlayerContext& context);
int32_t sound_close(PlayerContext& context);

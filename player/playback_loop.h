#pragma once
#include <cstdint>

#include "player/player_context.h"

namespace qx {

inline constexpr int32_t PACE_FRAMES_BEHIND_CLOCK = 5;
inline constexpr int32_t EXTRA_READ_LIMIT = 31;
inline constexpr int32_t DRAIN_AUDIO_LIMIT = 16;
inline constexpr int64_t PLAY_OUT_LIMIT_MS = 5000;

uint32_t player_thread_entry(void* params);
void playback_loop(PlayParams& params);
void player_teardown(PlayerContext* context);
// Pauses a running movie as player_toggle_pause does; false when it was not running.
bool player_pause_running(PlayParams& params);

}  // namespace qx

#pragma once
#include "player/player_context.h"

void decode_video_frame(PlayerContext& context, const VideoFrameSlot& slot);
void present_frame(PlayerContext& context);

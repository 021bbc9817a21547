#pragma once
#include "player/player_context.h"

void setup_display(PlayerContext& context);
void swap_work_surfaces(PlayerContext& context);
void release_display(PlayerContext& context);

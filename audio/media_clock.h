#pragma once
#include <cstdint>

#include "player/player_context.h"

int32_t clock_start(PlayerContext& context);
void clock_tick(uint32_t timer_id, uint32_t message, uintptr_t user, uintptr_t reserved1,
                uintptr_t reserved2);
int32_t clock_stop(PlayerContext& context);

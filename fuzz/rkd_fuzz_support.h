#pragma once
#include <cstdint>

#include "player/player_context.h"

// A fresh context on a display chosen by the low two bits of `mode`: 8-bit or 5-6-5, with or
// without double width.
inline PlayerContext& rkd_fuzz_context(uint8_t mode) {
    static PlayParams params;
    static PlayerContext context;
    params = PlayParams{};
    params.colour_bits = (mode & 1) ? 8 : 16;
    params.red_bits = 5;
    params.green_bits = 6;
    params.blue_bits = 5;
    params.red_shift = 11;
    params.green_shift = 5;
    params.flags = (mode & 2) ? PLAY_DOUBLE_WIDTH : 0;
    params.brightness = 100;
    context = PlayerContext{};
    context.params = &params;
    return context;
}

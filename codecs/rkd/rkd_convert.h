#pragma once
#include <cstddef>
#include <cstdint>

#include "player/player_context.h"

void rkd_build_pixel_table(PlayerContext& context);
// Converts rkd_frame into display pixels in `picture` (packed rows, `picture_bytes` in all).
void rkd_convert_picture(PlayerContext& context, uint8_t* picture, size_t picture_bytes);

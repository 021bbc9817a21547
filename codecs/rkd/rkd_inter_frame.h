#pragma once
#include <cstdint>

#include "player/player_context.h"

// Builds the next 8-bit picture from the previous one. 1 on success, 0 when the frame cannot
// be decoded (no buffer, no key frame before it).
int32_t rkd_decode_inter_frame(PlayerContext& context, const uint8_t* payload,
                               uint32_t payload_bytes);

#pragma once
#include <cstdint>

#include "player/player_context.h"

// Reads the key-frame header: frame size, palette count and palette. Called before the work
// surfaces exist.
void rkd_read_key_header(PlayerContext& context, const uint8_t* payload, uint32_t payload_bytes);
// Unpacks the key frame's picture into rkd_frame. 1 on success, 0 when a buffer cannot be had.
int32_t rkd_decode_key_frame(PlayerContext& context, const uint8_t* payload,
                             uint32_t payload_bytes);

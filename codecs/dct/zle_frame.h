#pragma once
#include <cstddef>
#include <cstdint>

#include "player/player_context.h"

// Frame size, quality and the two frame-flag bits from the 8-byte frame header.
void zle_read_header(const uint8_t* payload, uint32_t payload_bytes, PlayerContext& context);
void zle_build_dequant_table(int32_t quality);
// `stream` is the payload after its 8-byte header. Both pictures hold `picture_bytes`; copied
// macroblocks come from `reference_picture`.
void zle_decode_frame(PlayerContext& context, const uint8_t* stream, uint32_t stream_bytes,
                      uint8_t* draw_picture, const uint8_t* reference_picture,
                      size_t picture_bytes);

#pragma once
#include <cstddef>
#include <cstdint>

#include "player/player_context.h"

// Frame size and quality from the 8-byte frame header.
void mnb_read_header(const uint8_t* payload, uint32_t payload_bytes, PlayerContext& context);
void mnb_build_dequant_table(int32_t quality);
// `records` is the payload after its 8-byte header; `draw_picture` holds `picture_bytes`.
void mnb_decode_frame(PlayerContext& context, const uint8_t* records, uint32_t records_bytes,
                      uint8_t* draw_picture, size_t picture_bytes);

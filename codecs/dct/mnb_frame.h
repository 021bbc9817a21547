#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/dct/dct_decoder.h"
#include "player/player_context.h"
#include "video/colour_tables.h"

// Frame size and quality from the 8-byte frame header.
void mnb_read_header(const uint8_t* payload, uint32_t payload_bytes, PlayerContext& context);
// Fills the process-wide dequantisation table for `quality`.
void mnb_build_dequant_table(int32_t quality);
void mnb_build_dequant_table(DequantTable& table, int32_t quality);
// `records` is the payload after its 8-byte header; `draw_picture` holds `picture_bytes`.
// Decodes with the process-wide decoder and colour tables; returns a DctResult.
int32_t mnb_decode_frame(PlayerContext& context, const uint8_t* records, uint32_t records_bytes,
                         uint8_t* draw_picture, size_t picture_bytes);
// The same with a decoder (its dequantisation table already built) and tables of one's own.
int32_t mnb_decode_picture(DctDecoder& decoder, const ColourTables& tables, const DctFrame& frame,
                           const uint8_t* records, uint32_t records_bytes, uint8_t* draw_picture);

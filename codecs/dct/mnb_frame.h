#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/dct/dct_decoder.h"

namespace qx {

// Frame size and quality from the 8-byte frame header; a shorter payload changes nothing.
void mnb_read_header(const uint8_t* payload, uint32_t payload_bytes, DctHeader& header);
void mnb_build_dequant_table(DequantTable& table, int32_t quality);
// `records` is the payload after its 8-byte header; `draw_picture` holds `frame.picture_bytes`.
// The decoder's dequantisation table is already built. Returns a DctResult.
int32_t mnb_decode_picture(DctDecoder& decoder, const ColourTables& tables, const DctFrame& frame,
                           const uint8_t* records, uint32_t records_bytes, uint8_t* draw_picture);

}  // namespace qx

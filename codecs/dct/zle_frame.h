#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/dct/dct_decoder.h"

namespace qx {

// Frame size, quality and the two frame-flag bits from the 8-byte frame header; a shorter
// payload changes nothing.
void zle_read_header(const uint8_t* payload, uint32_t payload_bytes, DctHeader& header);
void zle_build_dequant_table(DequantTable& table, int32_t quality);

// How a frame is coded, from byte 7 of its header.
struct ZleFrameFlags {
    bool all_intra;           // no copy flags: every macroblock is coded
    bool channel_conversion;  // channel tables instead of the summed tables
};

ZleFrameFlags zle_frame_flags(const DctHeader& header);

// `stream` is the payload after its 8-byte header. Both pictures hold `frame.picture_bytes`;
// copied macroblocks come from `reference_picture`. The decoder's dequantisation table is
// already built. Returns a DctResult.
int32_t zle_decode_picture(DctDecoder& decoder, const ColourTables& tables, const DctFrame& frame,
                           ZleFrameFlags flags, const uint8_t* stream, uint32_t stream_bytes,
                           uint8_t* draw_picture, const uint8_t* reference_picture);

// Reads a macroblock's copy flag and, when it is set, the spare bit and the 4-bit dx and dy.
bool zle_read_copy_flag(ZleBitReader& reader, int32_t& dx, int32_t& dy);
// Copies the macroblock at pixel (x, y) from the reference picture displaced by the 4-bit
// two's complement (dx, dy): the source starts dx pixels to the left and dy rows up. Rows run
// on the linear picture, as stored movies expect; a source row above or below the picture is
// clamped to its first or last row, and a run past its first or last pixel is moved inside.
void zle_copy_macroblock(uint8_t* draw_picture, const uint8_t* reference_picture,
                         const MacroblockWalk& walk, int32_t x, int32_t y, int32_t dx, int32_t dy);

}  // namespace qx

#include "codecs/dct/zle_frame.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "codecs/dct/dct_kernels.h"
#include "codecs/dct/idct.h"
#include "codecs/dct/zle_codes.h"

namespace qx {

namespace {

int32_t signed_nibble(int32_t nibble) {
    return nibble < 8 ? nibble : nibble - 16;
}

ConvertMode conversion_mode(const DctFrame& frame, ZleFrameFlags flags) {
    if (flags.channel_conversion) {
        return frame.pixel_bytes == 4 ? CONVERT_CHANNEL_4 : CONVERT_CHANNEL_2;
    }
    return frame.pixel_bytes == 4 ? CONVERT_SUMMED_4 : CONVERT_SUMMED_2;
}

}  // namespace

void zle_read_header(const uint8_t* payload, uint32_t payload_bytes, DctHeader& header) {
    if (payload_bytes < 8) {
        return;
    }
    header.width = load_le16_signed(payload);
    header.height = load_le16_signed(payload + 2);
    header.quality = payload[4];
    header.zle_channel_conversion = payload[7] & 2;
    header.zle_all_intra = payload[7] & 1;
}

ZleFrameFlags zle_frame_flags(const DctHeader& header) {
    return {header.zle_all_intra != 0, header.zle_channel_conversion != 0};
}

void zle_build_dequant_table(DequantTable& table, int32_t quality) {
    table.values[0] = 8 * idct_prescale[0];
    for (int32_t i = 1; i < 64; ++i) {
        if (quality == 100) {
            table.values[i] = 8 * idct_prescale[i];
        } else {
            const int64_t scaled =
                int64_t{idct_prescale[i]} * ZLE_DEFAULT_INTRA_MATRIX[i] * (107 - quality);
            table.values[i] = static_cast<int32_t>((scaled + 8) >> 4);
        }
    }
}

bool zle_read_copy_flag(ZleBitReader& reader, int32_t& dx, int32_t& dy) {
    // One look at all ten bits: copied macroblocks come in long runs in still scenes.
    const uint32_t fields = zle_peek_bits(reader, 10);  // flag, spare bit, dx, dy
    if ((fields >> 9) == 0) {
        zle_skip_bits(reader, 1);
        return false;
    }
    zle_skip_bits(reader, 10);
    dx = static_cast<int32_t>((fields >> 4) & 0xF);
    dy = static_cast<int32_t>(fields & 0xF);
    return true;
}

void zle_copy_macroblock(uint8_t* draw_picture, const uint8_t* reference_picture,
                         const MacroblockWalk& walk, int32_t x, int32_t y, int32_t dx, int32_t dy) {
    const MacroblockPlace place = walk.place(x, y);
    const auto pixel_bytes = size_t(walk.pixel_bytes());
    const int64_t last_start = walk.pixels() - place.columns;
    const int64_t last_row = walk.pixels() / walk.width() - 1;
    const int64_t top = int64_t{y} - signed_nibble(dy);
    const int64_t first = top * walk.width() + x - signed_nibble(dx);
    const int64_t last = (top + place.rows - 1) * walk.width() + x - signed_nibble(dx);
    if (top >= 0 && top + place.rows - 1 <= last_row && first >= 0 && last <= last_start) {
        // No row needs clamping: the common case, one kernel call.
        dct_kernels().copy_rows(draw_picture + place.offset,
                                reference_picture + size_t(first) * pixel_bytes, walk.stride(),
                                place.rows, size_t(place.columns) * pixel_bytes);
        return;
    }
    for (int32_t r = 0; r < place.rows; ++r) {
        const int64_t source_row =
            std::clamp<int64_t>(int64_t{y} - signed_nibble(dy) + r, 0, last_row);
        const int64_t source = source_row * walk.width() + x - signed_nibble(dx);
        const auto start = size_t(std::clamp<int64_t>(source, 0, last_start));
        std::memcpy(draw_picture + place.offset + size_t(r) * walk.stride(),
                    reference_picture + start * pixel_bytes, size_t(place.columns) * pixel_bytes);
    }
}

int32_t zle_decode_picture(DctDecoder& decoder, const ColourTables& tables, const DctFrame& frame,
                           ZleFrameFlags flags, const uint8_t* stream, uint32_t stream_bytes,
                           uint8_t* draw_picture, const uint8_t* reference_picture) {
    const MacroblockWalk walk(frame);
    if (walk.empty()) {
        return DCT_BAD_SIZE;
    }
    const ConvertMode mode = conversion_mode(frame, flags);
    ZleBitReader& reader = decoder.zle_reader;
    zle_reader_start(reader, stream, stream_bytes);
    for (int32_t row = 0; row < walk.macroblock_rows(); ++row) {
        for (int32_t column = 0; column < walk.macroblock_columns(); ++column) {
            int32_t dx = 0;
            int32_t dy = 0;
            const bool copied = !flags.all_intra && zle_read_copy_flag(reader, dx, dy);
            if (!copied) {
                for (int32_t b = 0; b < 6; ++b) {
                    const auto component = b < 4 ? ZLE_LUMA : b == 4 ? ZLE_CB : ZLE_CR;
                    if (!zle_decode_block(reader, component, decoder.dequant_table,
                                          decoder.block)) {
                        return DCT_BAD_BLOCK;
                    }
                    idct_into_macroblock(decoder.block, decoder.planes, b);
                }
            }
            if (zle_reader_overrun(reader)) {
                return DCT_TRUNCATED;
            }
            if (copied) {
                zle_copy_macroblock(draw_picture, reference_picture, walk, 16 * column, 16 * row,
                                    dx, dy);
            } else {
                const MacroblockPlace place = walk.place(16 * column, 16 * row);
                convert_macroblock(decoder.planes, tables, draw_picture + place.offset,
                                   walk.stride(), mode, place.columns, place.rows);
            }
        }
    }
    return DCT_DECODED;
}

}  // namespace qx

#include "codecs/dct/mnb_frame.h"

#include <algorithm>

#include "base/byte_order.h"
#include "codecs/dct/idct.h"
#include "codecs/dct/wrapping.h"

namespace qx {

namespace {

constexpr uint32_t LONGEST_FLAT_RECORD = 12;

// The sample a flat level stands for: level * step / 65536 rounded half up, from the 64-bit
// product, then halved.
int32_t flat_sample(int32_t level, int32_t dc_step) {
    const int64_t product = int64_t{level} * dc_step;
    const auto rounded = wrap_add(static_cast<int32_t>(static_cast<uint32_t>(product >> 16)),
                                  static_cast<int32_t>((product >> 15) & 1));
    return rounded >> 1;
}

void fill_quadrant(uint8_t* picture, const MacroblockPlace& place, size_t stride,
                   int32_t pixel_bytes, int32_t quadrant, uint32_t word) {
    const int32_t left = 8 * (quadrant & 1);
    const int32_t top = 8 * (quadrant >> 1);
    for (int32_t y = top; y < std::min(top + 8, place.rows); ++y) {
        uint8_t* row = picture + place.offset + size_t(y) * stride;
        for (int32_t x = left; x < std::min(left + 8, place.columns); ++x) {
            store_pixel(row + x * pixel_bytes, word, pixel_bytes);
        }
    }
}

// Records of 3, 6 and 12 bytes: one or four luma levels and two chroma levels; the 12-byte
// form spreads the six over its even bytes.
void decode_flat(const uint8_t* record, uint32_t length, const DequantTable& dequant_table,
                 const ColourTables& tables, uint8_t* picture, const MacroblockPlace& place,
                 const MacroblockWalk& walk, int32_t pixel_bytes) {
    int32_t levels[6];
    for (int32_t i = 0; i < 6; ++i) {
        const uint32_t at = length == 3 ? (i < 4 ? 0 : i - 3) : length == 6 ? i : 2 * i;
        levels[i] = static_cast<int8_t>(record[at]);
    }
    const int32_t dc_step = dequant_table.values[0];
    const uint32_t chroma = tables.cb_table[flat_sample(levels[4], dc_step) & 0x7F] +
                            tables.cr_table[flat_sample(levels[5], dc_step) & 0x7F];
    for (int32_t quadrant = 0; quadrant < 4; ++quadrant) {
        const uint32_t word =
            tables.luma_table[flat_sample(levels[quadrant], dc_step) & 0x7F] + chroma;
        fill_quadrant(picture, place, walk.stride(), pixel_bytes, quadrant, word);
    }
}

void decode_coded(DctDecoder& decoder, const uint8_t* record, uint32_t length,
                  const ColourTables& tables, uint8_t* picture, const MacroblockPlace& place,
                  const MacroblockWalk& walk, ConvertMode mode) {
    mnb_reader_start(decoder.mnb_reader, record, length);
    for (int32_t b = 0; b < 6; ++b) {
        mnb_decode_block(decoder.mnb_reader, decoder.dequant_table, decoder.block);
        idct_into_macroblock(decoder.block, decoder.planes, b);
    }
    convert_macroblock(decoder.planes, tables, picture + place.offset, walk.stride(), mode,
                       place.columns, place.rows);
}

}  // namespace

void mnb_read_header(const uint8_t* payload, uint32_t payload_bytes, DctHeader& header) {
    if (payload_bytes < 5) {
        return;
    }
    header.width = load_le16_signed(payload);
    header.height = load_le16_signed(payload + 2);
    header.quality = payload[4];
}

void mnb_build_dequant_table(DequantTable& table, int32_t quality) {
    const int32_t base = (22 * (100 - quality)) / 100 + 8;
    const int32_t step = (50 * (100 - quality)) / 100 + 10 - base;
    for (int32_t u = 0; u < 8; ++u) {
        for (int32_t v = 0; v < 8; ++v) {
            const int32_t i = 8 * u + v;
            table.values[i] = idct_prescale[i] * (base + ((u + v) * step) / 14);
        }
    }
}

int32_t mnb_decode_picture(DctDecoder& decoder, const ColourTables& tables, const DctFrame& frame,
                           const uint8_t* records, uint32_t records_bytes, uint8_t* draw_picture) {
    const MacroblockWalk walk(frame);
    if (walk.empty()) {
        return DCT_BAD_SIZE;
    }
    const ConvertMode mode = frame.pixel_bytes == 4 ? CONVERT_SUMMED_4 : CONVERT_SUMMED_2;
    uint32_t at = 0;
    for (int32_t row = 0; row < walk.macroblock_rows(); ++row) {
        for (int32_t column = 0; column < walk.macroblock_columns(); ++column) {
            if (at >= records_bytes) {
                return DCT_TRUNCATED;
            }
            const uint32_t length = records[at];
            const uint8_t* record = records + at + 1;
            if (length > records_bytes - at - 1) {
                return DCT_TRUNCATED;
            }
            const MacroblockPlace place = walk.place(16 * column, 16 * row);
            if (length > LONGEST_FLAT_RECORD) {
                decode_coded(decoder, record, length, tables, draw_picture, place, walk, mode);
            } else if (length == 3 || length == 6 || length == 12) {
                decode_flat(record, length, decoder.dequant_table, tables, draw_picture, place,
                            walk, frame.pixel_bytes);
            }
            at += 1 + length;
        }
    }
    return DCT_DECODED;
}

}  // namespace qx

#include "codecs/dct/mnb_bit_reader.h"

#include <array>

#include "codecs/dct/wrapping.h"

namespace {

uint32_t next_record_byte(MnbBitReader& reader) {
    return reader.next_byte < reader.end ? *reader.next_byte++ : 0;
}

// Takes `bits` (3 or 8) bits and loads one byte when fewer than 8 are left: after a 3-bit code
// now and then, after an 8-bit code always, at the position the consumed bits freed.
void consume(MnbBitReader& reader, uint32_t bits) {
    reader.bit_buffer >>= bits;
    reader.bit_count -= static_cast<int32_t>(bits);
    if (reader.bit_count < 8) {
        reader.bit_buffer |= next_record_byte(reader) << reader.bit_count;
        reader.bit_count += 8;
    }
}

// What the code starting in the low 8 bits of the buffer does, for all 256 values of those
// bits, so that one look-up replaces the dispatch on the low three bits.
struct MnbCode {
    int8_t level;     // 0 for codes that only skip positions
    uint8_t advance;  // scan positions the code covers
    uint8_t bits;     // 3 or 8
    bool escape;      // 0xFF: the level is the next 8 bits
};

constexpr MnbCode mnb_code(uint32_t byte) {
    switch (byte & 7) {
        case 0:  // one zero
            return {0, 1, 3, false};
        case 4:  // two zeros
            return {0, 2, 3, false};
        case 2:
            return {1, 1, 3, false};
        case 6:
            return {-1, 1, 3, false};
        case 1:
        case 5:  // a run of zeros given by bits 2..7; streams carry 2..63
            return {0, static_cast<uint8_t>(byte >> 2), 8, false};
        default:  // 3 or 7: a signed 6-bit level, or the escape byte
            if (byte == 0xFF) {
                return {0, 1, 8, true};
            }
            return {static_cast<int8_t>(static_cast<int8_t>(byte) >> 2), 1, 8, false};
    }
}

constexpr auto MNB_CODES = [] {
    std::array<MnbCode, 256> codes{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        codes[byte] = mnb_code(byte);
    }
    return codes;
}();

int32_t low_byte_signed(const MnbBitReader& reader) {
    return static_cast<int8_t>(reader.bit_buffer & 0xFF);
}

}  // namespace

void mnb_reader_start(MnbBitReader& reader, const uint8_t* record, size_t record_bytes) {
    reader.bit_buffer = record[0];
    reader.bit_count = 8;
    reader.next_byte = record + 1;
    reader.end = record + record_bytes;
}

void mnb_decode_block(MnbBitReader& reader, const DequantTable& dequant_table,
                      CoefficientBlock& block) {
    clear_coefficients(block);
    block.values[0] = wrap_mul(low_byte_signed(reader), dequant_table.values[0]);
    consume(reader, 8);

    int32_t position = 1;
    while (position <= 63) {
        const MnbCode code = MNB_CODES[reader.bit_buffer & 0xFF];
        consume(reader, code.bits);
        int32_t level = code.level;
        if (code.escape) {
            level = low_byte_signed(reader);
            consume(reader, 8);
        }
        if (level != 0) {
            const uint8_t i = scan_index[position];
            block.values[i] = wrap_mul(level, dequant_table.values[i]);
        }
        position += code.advance;
    }
}

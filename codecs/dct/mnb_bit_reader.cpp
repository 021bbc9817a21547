#include "codecs/dct/mnb_bit_reader.h"

#include <cstring>

#include "codecs/dct/wrapping.h"

namespace {

uint32_t next_record_byte(MnbBitReader& reader) {
    return reader.next_byte < reader.end ? *reader.next_byte++ : 0;
}

void consume_3(MnbBitReader& reader) {
    reader.bit_buffer >>= 3;
    reader.bit_count -= 3;
    if (reader.bit_count < 8) {
        reader.bit_buffer |= next_record_byte(reader) << reader.bit_count;
        reader.bit_count += 8;
    }
}

// Eight bits out, one byte in: the count stays.
void consume_8(MnbBitReader& reader) {
    reader.bit_buffer >>= 8;
    reader.bit_buffer |= next_record_byte(reader) << (reader.bit_count - 8);
}

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
    std::memset(block.values, 0, sizeof block.values);
    block.values[0] = wrap_mul(low_byte_signed(reader), dequant_table.values[0]);
    consume_8(reader);

    auto place = [&](int32_t position, int32_t level) {
        const uint8_t i = scan_index[position];
        block.values[i] = wrap_mul(level, dequant_table.values[i]);
    };
    int32_t position = 1;
    while (position <= 63) {
        switch (reader.bit_buffer & 7) {
            case 0:  // one zero
                position += 1;
                consume_3(reader);
                break;
            case 4:  // two zeros
                position += 2;
                consume_3(reader);
                break;
            case 2:
                place(position++, 1);
                consume_3(reader);
                break;
            case 6:
                place(position++, -1);
                consume_3(reader);
                break;
            case 1:
            case 5:  // a run of zeros given by bits 2..7; streams carry 2..63
                position += static_cast<int32_t>((reader.bit_buffer & 0xFF) >> 2);
                consume_8(reader);
                break;
            default:  // 3 or 7: a signed 6-bit level, or the escape byte and an 8-bit level
                if ((reader.bit_buffer & 0xFF) == 0xFF) {
                    consume_8(reader);
                    place(position++, low_byte_signed(reader));
                } else {
                    place(position++, low_byte_signed(reader) >> 2);
                }
                consume_8(reader);
                break;
        }
    }
}

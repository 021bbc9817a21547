#include "codecs/dct/mnb_bit_reader.h"

#include <array>

#include "base/byte_order.h"
#include "codecs/dct/wrapping.h"

namespace qx {

namespace {

// The reader's fields in registers while a block decodes; stores to the block cannot alias them.
struct BitWindow {
    const uint8_t* next_byte;
    const uint8_t* end;
    uint64_t bits;
    int32_t count;
};

// Near the record's end: whole bytes while they fit, then, once the record is used up, the
// zeros that already fill the window count as valid bits.
[[gnu::always_inline]] inline void refill_from_tail(BitWindow& window) {
    while (window.count <= 56 && window.next_byte < window.end) {
        window.bits |= uint64_t{*window.next_byte++} << window.count;
        window.count += 8;
    }
    if (window.next_byte == window.end) {
        window.count = 64;
    }
}

// Leaves at least 56 valid bits: room for three codes of up to 16 bits.
[[gnu::always_inline]] inline void refill(BitWindow& window) {
    if (window.end - window.next_byte >= 8) {
        window.bits |= load_le64(window.next_byte) << window.count;
        window.next_byte += (63 - window.count) >> 3;
        window.count |= 56;
    } else {
        refill_from_tail(window);
    }
}

[[gnu::always_inline]] inline void consume(BitWindow& window, int32_t bits) {
    window.bits >>= bits;
    window.count -= bits;
}

// What the code starting in the low 8 bits of the window stores and how many scan positions
// it covers, for all 256 values of those bits. The code's length is computed instead (3 bits
// when bit 0 is clear, else 8, 16 for the escape): that keeps the look-up off the chain of
// shifts from one code to the next.
struct MnbCode {
    int8_t level;     // 0 for codes that only skip positions
    uint8_t advance;  // scan positions the code covers
};

constexpr uint32_t MNB_ESCAPE = 0xFF;

constexpr MnbCode mnb_code(uint32_t byte) {
    switch (byte & 7) {
        case 0:  // one zero
            return {0, 1};
        case 4:  // two zeros
            return {0, 2};
        case 2:
            return {1, 1};
        case 6:
            return {-1, 1};
        case 1:
        case 5:  // a run of zeros given by bits 2..7; streams carry 2..63
            return {0, static_cast<uint8_t>(byte >> 2)};
        default:  // 3 or 7: a signed 6-bit level (the escape byte's entry is never read)
            return {static_cast<int8_t>(static_cast<int8_t>(byte) >> 2), 1};
    }
}

constexpr auto MNB_CODES = [] {
    std::array<MnbCode, 256> codes{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        codes[byte] = mnb_code(byte);
    }
    return codes;
}();

// Decodes the code at `position` and stores its level there, zero included: every code starts
// at a position of its own, so the store replaces the branch on the level. The escape (a level
// beyond six bits: rare) takes a branch of its own, which leaves the chain from one code to the
// next three operations long: the 3 bits every code has, then 5 more where bit 0 is set.
[[gnu::always_inline]] inline int32_t decode_code(BitWindow& window, int32_t position,
                                                  const DequantTable& dequant_table,
                                                  CoefficientBlock& block) {
    const uint32_t byte = window.bits & 0xFF;
    const uint8_t i = scan_index[position];
    if (byte == MNB_ESCAPE) [[unlikely]] {
        block.values[i] = wrap_mul(static_cast<int8_t>(window.bits >> 8), dequant_table.values[i]);
        consume(window, 16);
        return position + 1;
    }
    const MnbCode code = MNB_CODES[byte];
    block.values[i] = wrap_mul(code.level, dequant_table.values[i]);
    const auto long_code = static_cast<int32_t>(byte & 1);
    window.bits = (window.bits >> 3) >> (5 * long_code);
    window.count -= 3 + 5 * long_code;
    return position + code.advance;
}

}  // namespace

void mnb_reader_start(MnbBitReader& reader, const uint8_t* record, size_t record_bytes) {
    reader.bit_buffer = 0;
    reader.bit_count = 0;
    reader.next_byte = record;
    reader.end = record + record_bytes;
}

void mnb_decode_block(MnbBitReader& reader, const DequantTable& dequant_table,
                      CoefficientBlock& block) {
    BitWindow window{reader.next_byte, reader.end, reader.bit_buffer, reader.bit_count};
    clear_coefficients(block);
    refill(window);
    block.values[0] = wrap_mul(static_cast<int8_t>(window.bits), dequant_table.values[0]);
    consume(window, 8);

    // The DC byte leaves 48 bits, as a refill does after three codes: enough for three more.
    int32_t position = 1;
    for (;;) {
        position = decode_code(window, position, dequant_table, block);
        if (position > 63) {
            break;
        }
        position = decode_code(window, position, dequant_table, block);
        if (position > 63) {
            break;
        }
        position = decode_code(window, position, dequant_table, block);
        if (position > 63) {
            break;
        }
        refill(window);
    }
    reader = {window.next_byte, window.end, window.bits, window.count};
}

}  // namespace qx

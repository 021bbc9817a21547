#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/dct/coefficient_block.h"

namespace qx {

// Reads one coded Mnb macroblock record least significant bit first, up to eight bytes ahead
// of the bits consumed but never past the record. Bytes past the record read as zero, which
// codes zero coefficients.
struct MnbBitReader {
    const uint8_t* next_byte;  // first record byte not yet wholly in bit_buffer
    const uint8_t* end;
    // The next bit to consume is bit 0; above bit_count lie the record's following bits, or
    // zeros once it is used up.
    uint64_t bit_buffer;
    int32_t bit_count;  // valid bits; 64 once the record is used up, as only zeros follow
};

// `record` holds `record_bytes` >= 1 bytes.
void mnb_reader_start(MnbBitReader& reader, const uint8_t* record, size_t record_bytes);
// Decodes one block: a DC byte, then codes covering the 63 AC positions. Overwrites all 64
// entries; a run past position 63 ends the block there.
void mnb_decode_block(MnbBitReader& reader, const DequantTable& dequant_table,
                      CoefficientBlock& block);

}  // namespace qx

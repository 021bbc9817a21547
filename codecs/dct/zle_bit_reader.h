#pragma once
#include <cstdint>

#include "codecs/dct/coefficient_block.h"

namespace qx {

// Reads a Zle frame's bit stream: 32-bit little-endian words taken most significant bit first.
// Bits past the end of the stream read as zero; nothing past it is ever loaded.
struct ZleBitReader {
    const uint8_t* words;
    uint32_t stream_bytes;
    uint32_t bit_position;    // bits consumed since `words`
    int32_t dc_predictor[3];  // luma, Cb, Cr; reset only at the start of a frame
};

enum ZleComponent : int32_t {
    ZLE_LUMA = 0,
    ZLE_CB = 1,
    ZLE_CR = 2,
};

void zle_reader_start(ZleBitReader& reader, const uint8_t* stream, uint32_t stream_bytes);
// k = 1..32.
uint32_t zle_peek_bits(const ZleBitReader& reader, int32_t k);
uint32_t zle_read_bits(ZleBitReader& reader, int32_t k);
// Consumes k bits without looking at them.
void zle_skip_bits(ZleBitReader& reader, int32_t k);
// True once the reader has consumed bits the stream does not hold.
bool zle_reader_overrun(const ZleBitReader& reader);

// Decodes one intra block (DC difference against the component's predictor, then AC codes up
// to end of block) and overwrites all 64 entries. False when the codes run past position 63:
// the stream is broken from there on.
bool zle_decode_block(ZleBitReader& reader, ZleComponent component,
                      const DequantTable& dequant_table, CoefficientBlock& block);

}  // namespace qx

#pragma once
#include <cstdint>

namespace qx {

// 64 dequantised coefficients; the one for horizontal frequency u and vertical frequency v is
// at index 8 * u + v.
struct CoefficientBlock {
    int32_t values[64];
};

// Per-frame step of every coefficient, indexed like CoefficientBlock, with the inverse
// transform's prescale folded in.
struct DequantTable {
    int32_t values[64];
};

// Scan position n -> coefficient index: the zigzag order of ISO/IEC 11172-2 as 8 * u + v.
extern const uint8_t scan_index[64];

// Sets all 64 coefficients to zero with plain vector stores: a string store, which compilers
// pick for a 256-byte clear, starts too slowly for the six blocks of every macroblock.
void clear_coefficients(CoefficientBlock& block);

}  // namespace qx

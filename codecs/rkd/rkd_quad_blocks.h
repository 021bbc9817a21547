#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

inline constexpr uint32_t RKD_BLOCK_BYTES = 16;
inline constexpr uint32_t RKD_QUAD_BLOCK_BYTES = 8;

// Expands 8-byte 4-colour blocks (colours c0..c3, then a little-endian u32 of 2-bit
// selectors, top bits first) into 16-byte blocks of four rows of four pixels. Expands as many
// whole blocks as both sides hold and returns their count.
size_t rkd_expand_quad_blocks(const uint8_t* source, size_t source_bytes, uint8_t* destination,
                              size_t destination_bytes);

}  // namespace qx

#pragma once
#include <cstdint>

namespace qx {

// Every chunk starts with a 4-byte tag in file order and a 32-bit little-endian size that
// counts these 8 bytes with the body.
inline constexpr uint32_t CHUNK_HEADER_BYTES = 8;
inline constexpr uint32_t CHUNK_SIZE_OFFSET = 4;

}  // namespace qx

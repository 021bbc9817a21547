#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// Bit fields packed least significant bit first: field j takes bits j*width to
// j*width + width - 1, bit k being bit (k mod 8) of byte (k div 8). Bits past `source_bytes`
// read as zero, so no reader ever looks beyond its input.

// Signed two's-complement fields of 1 to 32 bits (the vector field uses 10).
void rkd_read_signed_fields(int32_t* destination, const uint8_t* source, size_t source_bytes,
                            uint32_t count, uint32_t width);

// Block-map widths the group-of-four reader handles exactly: 1 to 14 and 16.
bool rkd_index_width_supported(uint32_t width);

// Unsigned fields of a supported width, four at a time from two 32-bit loads. False, with
// nothing written, for an unsupported width.
bool rkd_read_index_fields(int32_t* destination, const uint8_t* source, size_t source_bytes,
                           uint32_t count, uint32_t width);

// Unsigned fields of 1 to 32 bits taken one bit at a time: the reference for the fast reader.
void rkd_read_index_fields_reference(int32_t* destination, const uint8_t* source,
                                     size_t source_bytes, uint32_t count, uint32_t width);

}  // namespace qx

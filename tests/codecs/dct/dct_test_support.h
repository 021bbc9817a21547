#pragma once
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "codecs/dct/dct_colour_tables.h"

namespace qx {

// Tables of a 5-6-5 display, or 8-8-8 when `colour_bits` is 24, at full brightness.
std::unique_ptr<ColourTables> dct_test_tables(int32_t colour_bits = 16, bool double_width = false);

// A Zle bit stream from a pattern of '0' and '1' (other characters are ignored), packed most
// significant bit first into 32-bit little-endian words, zero-padded to a whole word.
std::vector<uint8_t> zle_stream_from_bits(std::string_view pattern);

// The low 16 bits of the 2-byte pixel at `index`.
uint16_t pixel16(const std::vector<uint8_t>& picture, size_t index);

}  // namespace qx

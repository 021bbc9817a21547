#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

std::unique_ptr<ColourTables> dct_test_tables(int32_t colour_bits, bool double_width) {
    DctPixelFormat format = DCT_RGB565;
    if (colour_bits == 24) {
        format = {24, 8, 8, 8, 16, 8, 0, 100, false};
    }
    format.double_width = double_width;
    auto tables = std::make_unique<ColourTables>();
    build_colour_tables(*tables, format);
    return tables;
}

std::vector<uint8_t> zle_stream_from_bits(std::string_view pattern) {
    std::vector<uint32_t> words;
    size_t bit = 0;
    for (const char c : pattern) {
        if (c != '0' && c != '1') {
            continue;
        }
        if (bit % 32 == 0) {
            words.push_back(0);
        }
        if (c == '1') {
            words.back() |= 0x80000000u >> (bit % 32);
        }
        ++bit;
    }
    std::vector<uint8_t> bytes;
    for (const uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<uint8_t>(word >> shift));
        }
    }
    return bytes;
}

uint16_t pixel16(const std::vector<uint8_t>& picture, size_t index) {
    return static_cast<uint16_t>(picture[2 * index] | picture[2 * index + 1] << 8);
}

}  // namespace qx

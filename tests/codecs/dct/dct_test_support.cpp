#include "tests/codecs/dct/dct_test_support.h"

PlayParams dct_display_params(int32_t colour_bits, uint32_t flags) {
    PlayParams params{};
    params.colour_bits = colour_bits;
    params.brightness = 100;
    params.flags = flags;
    if (colour_bits == 24) {
        params.red_bits = params.green_bits = params.blue_bits = 8;
        params.red_shift = 16, params.green_shift = 8, params.blue_shift = 0;
    } else {
        params.red_bits = 5, params.green_bits = 6, params.blue_bits = 5;
        params.red_shift = 11, params.green_shift = 5, params.blue_shift = 0;
    }
    return params;
}

std::unique_ptr<ColourTables> dct_test_tables(int32_t colour_bits, uint32_t flags) {
    auto tables = std::make_unique<ColourTables>();
    build_colour_tables(*tables, dct_display_params(colour_bits, flags));
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

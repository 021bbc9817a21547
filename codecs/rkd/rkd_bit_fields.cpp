#include "codecs/rkd/rkd_bit_fields.h"

#include <cstring>

namespace qx {

namespace {

// The little-endian word at `at`, with the bytes past the input taken as zero.
uint64_t load_u64(const uint8_t* source, size_t source_bytes, size_t at) {
    uint64_t word = 0;
    for (size_t i = 0; i < 8 && at + i < source_bytes; ++i) {
        word |= uint64_t{source[at + i]} << (8 * i);
    }
    return word;
}

uint32_t load_u32(const uint8_t* source, size_t source_bytes, size_t at) {
    if (at + 4 <= source_bytes) {
        uint32_t word;
        std::memcpy(&word, source + at, 4);
        return word;
    }
    return uint32_t(load_u64(source, source_bytes, at));
}

uint32_t low_bits(uint32_t width) {
    return width >= 32 ? ~0u : (1u << width) - 1;
}

}  // namespace

void rkd_read_signed_fields(int32_t* destination, const uint8_t* source, size_t source_bytes,
                            uint32_t count, uint32_t width) {
    if (width == 0 || width > 32) {
        return;
    }
    uint64_t sign = uint64_t{1} << (width - 1);
    for (uint32_t j = 0; j < count; ++j) {
        uint64_t bit = uint64_t{j} * width;
        uint64_t field = (load_u64(source, source_bytes, bit / 8) >> (bit % 8)) & low_bits(width);
        // Two's-complement extension: subtracting twice the sign bit's weight when it is set.
        destination[j] = int32_t(int64_t(field ^ sign) - int64_t(sign));
    }
}

bool rkd_index_width_supported(uint32_t width) {
    return (width >= 1 && width <= 14) || width == 16;
}

bool rkd_read_index_fields(int32_t* destination, const uint8_t* source, size_t source_bytes,
                           uint32_t count, uint32_t width) {
    if (!rkd_index_width_supported(width)) {
        return false;
    }
    uint32_t mask = low_bits(width);
    uint64_t bit = 0;
    uint32_t j = 0;
    // A group of four starts at a multiple of 4 x width bits, so its two pairs each sit in
    // one 32-bit word for every supported width.
    for (; j + 4 <= count; j += 4) {
        uint64_t second = bit + 2 * width;
        uint32_t low = load_u32(source, source_bytes, bit / 8) >> (bit % 8);
        uint32_t high = load_u32(source, source_bytes, second / 8) >> (second % 8);
        destination[j] = int32_t(low & mask);
        destination[j + 1] = int32_t((low >> width) & mask);
        destination[j + 2] = int32_t(high & mask);
        destination[j + 3] = int32_t((high >> width) & mask);
        bit += 4 * width;
    }
    for (; j < count; ++j, bit += width) {
        destination[j] = int32_t((load_u32(source, source_bytes, bit / 8) >> (bit % 8)) & mask);
    }
    return true;
}

void rkd_read_index_fields_reference(int32_t* destination, const uint8_t* source,
                                     size_t source_bytes, uint32_t count, uint32_t width) {
    uint64_t bit = 0;
    for (uint32_t j = 0; j < count; ++j) {
        uint32_t field = 0;
        for (uint32_t k = 0; k < width; ++k, ++bit) {
            size_t byte = bit / 8;
            uint32_t value = byte < source_bytes ? (source[byte] >> (bit % 8)) & 1 : 0;
            field |= value << k;
        }
        destination[j] = int32_t(field);
    }
}

}  // namespace qx

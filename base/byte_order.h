#pragma once
#include <cstdint>

namespace qx {

// Little-endian fields of the container and its payloads, assembled a byte at a time so that
// neither alignment nor the machine's own byte order matters.
inline uint32_t load_le16(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8;
}

inline int32_t load_le16_signed(const uint8_t* bytes) {
    return static_cast<int16_t>(load_le16(bytes));
}

inline uint32_t load_le32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

inline uint64_t load_le64(const uint8_t* bytes) {
    return uint64_t{load_le32(bytes)} | uint64_t{load_le32(bytes + 4)} << 32;
}

}  // namespace qx

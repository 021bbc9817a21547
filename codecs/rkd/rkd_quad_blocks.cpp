#include "codecs/rkd/rkd_quad_blocks.h"

#include <algorithm>

namespace qx {

size_t rkd_expand_quad_blocks(const uint8_t* source, size_t source_bytes, uint8_t* destination,
                              size_t destination_bytes) {
    size_t count =
        std::min(source_bytes / RKD_QUAD_BLOCK_BYTES, destination_bytes / RKD_BLOCK_BYTES);
    for (size_t block = 0; block < count; ++block) {
        const uint8_t* colours = source + block * RKD_QUAD_BLOCK_BYTES;
        uint32_t selectors = colours[4] | uint32_t(colours[5]) << 8 | uint32_t(colours[6]) << 16 |
                             uint32_t(colours[7]) << 24;
        uint8_t* pixels = destination + block * RKD_BLOCK_BYTES;
        for (uint32_t p = 0; p < RKD_BLOCK_BYTES; ++p) {
            pixels[p] = colours[(selectors >> (30 - 2 * p)) & 3];
        }
    }
    return count;
}

}  // namespace qx

#include "base/ring.h"

namespace qx {

uint8_t* arena_place(uint8_t* arena, uint32_t arena_bytes, uint8_t* write, uint32_t bytes) {
    if (bytes > arena_bytes) {
        return nullptr;
    }
    const auto used = static_cast<uint32_t>(write - arena);
    return static_cast<uint64_t>(used) + bytes >= arena_bytes ? arena : write;
}

bool ranges_overlap(const uint8_t* a, uint32_t a_bytes, const uint8_t* b, uint32_t b_bytes) {
    if (a_bytes == 0 || b_bytes == 0) {
        return false;
    }
    return a < b + b_bytes && b < a + a_bytes;
}

}  // namespace qx

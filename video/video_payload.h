#pragma once
#include <cstdint>

namespace qx {

// A video chunk's body as the player hands it over: its kind (format/video_kinds.h) and its
// bytes, past which no decoder reads.
struct VideoPayload {
    int32_t kind;
    const uint8_t* data;
    uint32_t bytes;
};

}  // namespace qx

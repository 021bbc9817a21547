#pragma once
#include <cstdint>

#include "base/ring.h"

namespace qx {

inline constexpr uint32_t AUDIO_ARENA_BYTES = 300000;

// One decoded block of interleaved 16-bit stereo PCM in the audio arena.
struct AudioBlockSlot {
    uint8_t* data;  // null = free
    int32_t bytes;
    int32_t video_stamp;
    int32_t sequence;
};

// The reader queues decoded blocks at one end; the clock tick plays them from the other.
using AudioRing = Ring<AudioBlockSlot>;

}  // namespace qx

#pragma once
#include <cstdint>

#include "audio/audio_block.h"
#include "base/ring.h"
#include "format/video_kinds.h"
#include "video/video_payload.h"

namespace qx {

inline constexpr uint32_t VIDEO_ARENA_BYTES = 1000000;

// One queued video chunk body in the video arena.
struct VideoFrameSlot {
    uint8_t* data;  // null = free
    int32_t sequence;
    int32_t kind;
    uint32_t bytes;  // body bytes in the arena; decoders never read past them
};

// What the video stage decodes of a slot.
inline VideoPayload payload_of(const VideoFrameSlot& slot) {
    return {slot.kind, slot.data, slot.bytes};
}

// The reader's state of one movie: the rings, with their arenas, that queue chunk bodies for
// the playback loop (video) and decoded sound for the clock tick (audio), and the count of
// chunks of each stream read so far.
struct ReaderRings {
    AudioRing audio_ring;
    Ring<VideoFrameSlot> video_ring;
    int32_t video_chunks;
    int32_t audio_chunks;
    // The loop's latest read met the end of the data: no chunk follows (until the file grows).
    int32_t reader_at_end;
};

}  // namespace qx

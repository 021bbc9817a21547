#pragma once
#include <cstdint>

inline constexpr uint32_t VIDEO_ARENA_BYTES = 1000000;
inline constexpr uint32_t AUDIO_ARENA_BYTES = 300000;
inline constexpr int32_t RING_SLOTS = 32;
inline constexpr int32_t RING_MASK = RING_SLOTS - 1;

// Video kinds, from the chunk tag.
inline constexpr int32_t VIDEO_RKD_KEY = 1;
inline constexpr int32_t VIDEO_RKD_INTER = 2;
inline constexpr int32_t VIDEO_MNB = 3;
inline constexpr int32_t VIDEO_ZLE = 4;

// One queued video chunk body in the video arena.
struct VideoFrameSlot {
    uint8_t* data;  // null = free
    int32_t sequence;
    int32_t kind;
    uint32_t bytes;  // body bytes in the arena; decoders never read past them
};

// One decoded block of interleaved 16-bit stereo PCM in the audio arena.
struct AudioBlockSlot {
    uint8_t* data;  // null = free
    int32_t bytes;
    int32_t video_stamp;
    int32_t sequence;
};

// The reader's state of one movie: the arenas chunk bodies and decoded sound go into, and the
// rings that queue them for the playback loop (video) and the clock tick (audio). Counters
// shared between threads are changed through the interlocked operations of platform/kernel.h.
struct ReaderRings {
    uint8_t* video_arena;
    uint8_t* audio_arena;
    uint8_t* video_write;
    uint8_t* audio_write;
    // The loop's latest read met the end of the data: no chunk follows (until the file grows).
    int32_t reader_at_end;

    AudioBlockSlot audio_ring[RING_SLOTS];
    VideoFrameSlot video_ring[RING_SLOTS];
    int32_t audio_read;
    int32_t audio_written;
    int32_t video_read;
    int32_t video_written;
    int32_t video_queued;
    int32_t audio_queued;
    int32_t video_chunks;
    int32_t audio_chunks;
};

#pragma once
#include <cstdint>

#include "codecs/dct/colour_tables.h"
#include "codecs/dct/dct_decoder.h"
#include "codecs/rkd/rkd_decoder.h"
#include "platform/display.h"
#include "player/movie_index.h"
#include "player/play_params.h"

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

// The player's private state of one movie, allocated zero-filled by player_start and freed by
// the teardown. Fields shared between threads are plain 32-bit words changed through the
// interlocked operations of platform/kernel.h.
struct PlayerContext {
    PlayParams* params;

    // Reader.
    uint8_t* video_arena;
    uint8_t* audio_arena;
    uint8_t* video_write;
    uint8_t* audio_write;
    // The loop's latest read met the end of the data: no chunk follows (until the file grows).
    int32_t reader_at_end;

    // Picture.
    int32_t frame_height;
    int32_t frame_width;
    int32_t display_width;
    int32_t display_height;
    int32_t display_ready;
    int32_t zle_channel_conversion;  // 0 or 2
    int32_t zle_all_intra;           // 0 or 1
    int32_t quality;
    // Video output's own picture state: the packed pictures every frame is decoded into (swapped
    // with the work surfaces), the size of the work surfaces created, whether the latest frame
    // may be presented, and whether the display's pixel format was refused.
    uint8_t* packed_draw;
    uint8_t* packed_reference;
    uint32_t packed_bytes;
    int32_t surface_width;
    int32_t surface_height;
    int32_t surface_row_bytes;
    int32_t frame_dropped;
    int32_t display_unsupported;

    // Clock and sound.
    int32_t clock;
    int32_t sound_started;
    int32_t stream_bytes;
    int32_t stream_write;

    // Audio format.
    int32_t channels;
    int32_t sample_rate;
    int32_t sample_bits;
    int32_t compression;

    // Rings and their counters.
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

    // Clock and sound state.
    int32_t timer_ticks;
    uint32_t last_tick_ms;  // tick count at the latest tick: the clock changes only at ticks
    int32_t silent_play_pos;
    int32_t silent;
    int32_t primary_buffer_bytes;
    int32_t owns_primary_buffer;
    int32_t owns_sound;
    // Bytes of the block at the ring's read position already in the stream buffer: a block
    // larger than half the buffer goes in over several ticks. Timer thread only.
    int32_t stream_block_sent;
    // Silent mode's simulated cursor: when it started, the ticks it has moved for, and the
    // hundredths of a byte it owes from earlier ticks. Timer thread only.
    uint32_t silent_start_tick;
    int32_t silent_ticks;
    int32_t silent_rate_remainder;
    // Bytes of silence written since the latest block of sound, up to a buffer's worth: once a
    // whole buffer of it has gone in, every block has been played.
    int32_t stream_silence_bytes;

    int32_t alive;

    // ADPCM state.
    int32_t xa_current_left;
    int32_t xa_current_right;
    int32_t xa_previous_left;
    int32_t xa_previous_right;
    uint32_t ima_samples;
    uint32_t ima_steps;

    // Timer.
    int32_t timer_lock;
    uint32_t timer_id;
    uint32_t timer_period;

    uint32_t start_tick;
    uint32_t end_tick;

    // The movie's own decoders and the tables they convert through. Only the player thread
    // touches them once playback runs; tables_brightness is the brightness they were built at.
    RkdDecoder rkd;
    DctDecoder dct;
    ColourTables colour_tables;
    int32_t tables_brightness;

    // Seeking: the movie's index, and the frames the decoders have taken in order since the
    // latest point from which their state is exact (first -1: from the fresh start; first
    // INT32_MAX: none since a frame was left undecoded).
    MovieIndex index;
    int32_t decoded_first;
    int32_t decoded_last;

    DisplayPalette* primary_palette;
    DisplayPalette* back_palette;
    PaletteEntry primary_palette_entries[256];
    PaletteEntry back_palette_entries[256];
};

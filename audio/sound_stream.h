#pragma once
#include <cstdint>

#include "audio/audio_block.h"
#include "audio/sound_target.h"

namespace qx {

// The sound side of one movie: the audio format the headers announce, the ADPCM history the
// decoder carries from block to block, the stream buffer being fed and the media clock the
// timer keeps. Fields shared between threads are changed through the interlocked operations
// of base/interlocked.h.
struct SoundStream {
    // What the stage works on, linked when the movie starts: the application's sound objects
    // and the consumer end of the audio ring the reader fills.
    SoundTarget target;
    AudioRing* blocks;

    // Audio format.
    int32_t channels;
    int32_t sample_rate;
    int32_t sample_bits;
    int32_t compression;

    // ADPCM state.
    int32_t xa_current_left;
    int32_t xa_current_right;
    int32_t xa_previous_left;
    int32_t xa_previous_right;
    uint32_t ima_samples;
    uint32_t ima_steps;

    // Clock and stream buffer.
    int32_t clock;
    int32_t sound_started;
    int32_t stream_bytes;
    int32_t stream_write;
    int32_t timer_ticks;
    uint32_t last_tick_ms;  // tick count at the latest tick: the clock changes only at ticks
    // Tick count of the earliest tick that may change the clock, as the latest tick foresaw
    // it; a time already past says nothing.
    uint32_t clock_change_due_ms;
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

    // Timer.
    int32_t timer_lock;
    uint32_t timer_id;
    uint32_t timer_period;
};

}  // namespace qx

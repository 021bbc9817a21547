#pragma once
#include <cstdint>

#include "audio/sound_stream.h"

namespace qx {

// The simulated play cursor of silent mode moves at the movie's rate of 16-bit stereo frames;
// a rate a header cannot mean (0 or below, or beyond what the silent buffer can hold in a
// tick) moves it as 22,050 Hz does, 882 bytes a tick.
inline constexpr int32_t SILENT_DEFAULT_RATE = 22050;
inline constexpr int32_t SILENT_RATE_LIMIT = 384000;

// One tick's feeding of the stream buffer, on the timer thread: the block at the audio ring's
// read position goes in once the play cursor has left room for it (a block larger than half
// the buffer in pieces), and the clock moves to the block's video stamp; with nothing queued,
// silence fills the free space and the clock moves on by one. Returns the ticks to come of
// which the first that may move the clock is the last (1: the next tick may).
int32_t stream_audio(SoundStream& sound);

// Bytes a second the simulated cursor of silent mode moves for a movie of `sample_rate`.
int32_t silent_byte_rate(int32_t sample_rate);

// Bytes between the write offset and the play cursor, going forward around the buffer: the
// part already played. Equal offsets count as nothing free.
int32_t stream_free_space(int32_t play_cursor, int32_t stream_write, int32_t stream_bytes);

}  // namespace qx

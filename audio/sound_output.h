#pragma once
#include <cstdint>

#include "audio/sound_stream.h"

namespace qx {

// The primary buffer the player creates plays at this rate, whatever the movie's.
inline constexpr uint32_t PRIMARY_SAMPLE_RATE = 22050;
// Size of the simulated stream buffer of silent mode.
inline constexpr int32_t SILENT_STREAM_BYTES = 32768;

// When the target asks for sound: adopts or creates the sound device and its primary buffer.
// Returns 0, or 1 when the primary buffer the player created refused its format. Failures leave no
// device or no primary buffer, and the movie then plays in silent mode.
int32_t sound_open(SoundStream& sound);
// Creates and starts the looping 16-bit stereo stream buffer at the movie's rate, or enters
// silent mode when there is none to be had; sets `sound_started` last. Returns 0.
int32_t sound_stream_start(SoundStream& sound);
// Starts the stream afresh where the play cursor stands, as at the start of the movie: the
// buffer is all silence and the next block goes in right behind the cursor. Only while the
// ticks are held (clock_hold_ticks); the buffer keeps playing or paused as it was.
void sound_stream_restart(SoundStream& sound);
// Releases the stream buffer, if any. Returns 0.
int32_t sound_stream_release(SoundStream& sound);
// Releases the device and primary buffer the player created (never the application's).
int32_t sound_close(SoundStream& sound);

}  // namespace qx

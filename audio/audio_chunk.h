#pragma once
#include <cstdint>

#include "player/player_context.h"

inline constexpr uint32_t AUDIO_CHUNK_MAX = 32768;

// Reads one audio data chunk body of `payload_bytes` from the movie file, decodes it to 16-bit
// stereo PCM in the audio arena and queues it. Returns READ_AUDIO, READ_END, READ_ERROR, or
// READ_BUSY when the ring or arena has no room yet (the chunk is then left in the file).
int32_t decode_audio_chunk(PlayerContext& context, uint32_t payload_bytes);

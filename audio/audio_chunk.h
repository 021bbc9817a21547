#pragma once
#include <cstdint>

#include "player/player_context.h"

inline constexpr uint32_t AUDIO_CHUNK_MAX = 32768;

// Compression codes of the audio header.
inline constexpr int32_t AUDIO_PCM = 0;
inline constexpr int32_t AUDIO_XA = 7;
inline constexpr int32_t AUDIO_IMA = 10;

// Compression-7 payloads: a 4-byte count nobody uses, then the four history samples.
inline constexpr uint32_t XA_PAYLOAD_HEADER_BYTES = 12;
// PCM payloads: the 32-bit count of sample frames.
inline constexpr uint32_t PCM_PAYLOAD_HEADER_BYTES = 4;
inline constexpr uint32_t AUDIO_FRAME_BYTES = 4;  // one 16-bit stereo sample frame

// Reads one audio data chunk body of `payload_bytes` from the movie file, decodes it to 16-bit
// stereo PCM in the audio arena and queues it. Returns READ_AUDIO; READ_END at the end of the
// file (also a body cut short by it); READ_ERROR; READ_SKIPPED for a payload larger than
// AUDIO_CHUNK_MAX (stepped over, nothing queued); or READ_BUSY when the ring is full or the
// block would overwrite one still queued (the chunk is then left in the file).
int32_t decode_audio_chunk(PlayerContext& context, uint32_t payload_bytes);

#pragma once
#include <cstdint>

#include "audio/sound_stream.h"
#include "format/audio_header.h"

namespace qx {

inline constexpr uint32_t AUDIO_CHUNK_MAX = 32768;

// Compression-7 payloads: a 4-byte count nobody uses, then the four history samples.
inline constexpr uint32_t XA_PAYLOAD_HEADER_BYTES = 12;
// PCM payloads: the 32-bit count of sample frames.
inline constexpr uint32_t PCM_PAYLOAD_HEADER_BYTES = 4;
inline constexpr uint32_t AUDIO_FRAME_BYTES = 4;  // one 16-bit stereo sample frame

// Sample frames of the block a payload of `bytes` decodes to in the stream's audio format.
// Payloads too short for their own header and unknown compressions give an empty block, so
// their place in the clock is kept.
uint32_t audio_block_frames(const SoundStream& sound, const uint8_t* payload, uint32_t bytes);
// The same for a payload of `bytes` in the given compression and channels; of the payload it
// reads only a PCM payload's 4-byte count.
uint32_t audio_block_frames_in(int32_t compression, int32_t channels, const uint8_t* payload,
                               uint32_t bytes);
// Decodes a payload of `bytes` into `frames` (as audio_block_frames gives) 16-bit stereo sample
// frames at `block`, carrying the ADPCM history in the stream. Reads nothing but the payload.
void decode_audio_payload(SoundStream& sound, const uint8_t* payload, uint32_t bytes,
                          uint32_t frames, uint8_t* block);

}  // namespace qx

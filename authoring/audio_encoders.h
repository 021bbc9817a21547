#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace qx {

// Encoders of audio data chunk payloads. Each takes interleaved 16-bit samples with
// `channels` per frame (2 = stereo, anything else mono) and gives the payload together with
// what the player decodes from it: interleaved 16-bit stereo, exactly as it reaches the ring.

struct EncodedAudio {
    std::vector<uint8_t> payload;
    std::vector<int16_t> decoded;
};

// Compression 0: the frame count and the samples as they are.
EncodedAudio pcm_encode_payload(std::span<const int16_t> samples, int32_t channels);

// Compression 7 carries its prediction history in every chunk header. The encoder starts each
// chunk from the history the previous one ended with, so that chunks join without a click.
struct XaEncoderState {
    int32_t current[2] = {0, 0};  // left, right
    int32_t previous[2] = {0, 0};
};

// Compression 7: 28-sample frames, the filter and shift of each chosen per channel to give
// the least squared error. A sample count that is not a multiple of 28 is padded with silence.
EncodedAudio xa_encode_payload(std::span<const int16_t> samples, int32_t channels,
                               XaEncoderState& state);

// Compression 10 keeps the decoder's state from chunk to chunk for the whole movie, packed as
// the player keeps it (PlayerContext::ima_samples, ima_steps). Start with both at 0.
struct ImaEncoderState {
    uint32_t samples = 0;
    uint32_t steps = 0;
};

// Compression 10: always two channels; mono input is coded on both.
EncodedAudio ima_encode_payload(std::span<const int16_t> samples, int32_t channels,
                                ImaEncoderState& state);

}  // namespace qx

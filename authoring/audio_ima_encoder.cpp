#include "authoring/audio_encoders.h"

#include <cstdlib>

#include "audio/ima_decoder.h"

namespace qx {

namespace {

// The nibble whose decoded sample comes nearest `target`; the channel's state moves on by it.
uint32_t encode_nibble(int32_t target, int32_t& sample, int32_t& index) {
    uint32_t best = 0;
    int32_t best_error = INT32_MAX;
    for (uint32_t nibble = 0; nibble < 16; ++nibble) {
        int32_t trial_sample = sample;
        int32_t trial_index = index;
        const int32_t error =
            std::abs(ima_decode_nibble(nibble, trial_sample, trial_index) - target);
        if (error < best_error) {
            best_error = error;
            best = nibble;
        }
    }
    ima_decode_nibble(best, sample, index);
    return best;
}

}  // namespace

EncodedAudio ima_encode_payload(std::span<const int16_t> samples, int32_t channels,
                                ImaEncoderState& state) {
    const size_t per_frame = channels == 2 ? 2 : 1;
    const size_t frames = samples.size() / per_frame;
    int32_t sample[2] = {static_cast<int16_t>(state.samples & 0xFFFF),
                         static_cast<int16_t>(state.samples >> 16)};
    int32_t index[2] = {static_cast<int32_t>(state.steps & 0xFFFF),
                        static_cast<int32_t>(state.steps >> 16)};
    EncodedAudio encoded;
    for (size_t frame = 0; frame < frames; ++frame) {
        const int32_t left_target = samples[frame * per_frame];
        const int32_t right_target = samples[frame * per_frame + per_frame - 1];
        const uint32_t left = encode_nibble(left_target, sample[0], index[0]);
        const uint32_t right = encode_nibble(right_target, sample[1], index[1]);
        encoded.payload.push_back(static_cast<uint8_t>(left << 4 | right));
        encoded.decoded.push_back(static_cast<int16_t>(sample[0]));
        encoded.decoded.push_back(static_cast<int16_t>(sample[1]));
    }
    state.samples = (static_cast<uint32_t>(sample[0]) & 0xFFFF) |
                    (static_cast<uint32_t>(sample[1]) & 0xFFFF) << 16;
    state.steps = (static_cast<uint32_t>(index[0]) & 0xFFFF) |
                  (static_cast<uint32_t>(index[1]) & 0xFFFF) << 16;
    return encoded;
}

}  // namespace qx

#include "authoring/audio_encoders.h"

namespace qx {

EncodedAudio pcm_encode_payload(std::span<const int16_t> samples, int32_t channels) {
    const size_t per_frame = channels == 2 ? 2 : 1;
    const auto frames = static_cast<uint32_t>(samples.size() / per_frame);
    EncodedAudio encoded;
    for (int i = 0; i < 4; ++i) {
        encoded.payload.push_back(static_cast<uint8_t>(frames >> (8 * i)));
    }
    for (size_t i = 0; i < static_cast<size_t>(frames) * per_frame; ++i) {
        const auto sample = static_cast<uint16_t>(samples[i]);
        encoded.payload.push_back(static_cast<uint8_t>(sample));
        encoded.payload.push_back(static_cast<uint8_t>(sample >> 8));
        encoded.decoded.push_back(samples[i]);
        if (per_frame == 1) {
            encoded.decoded.push_back(samples[i]);
        }
    }
    return encoded;
}

}  // namespace qx

#include "authoring/audio_encoders.h"

#include <cstdlib>

#include "audio/xa_decoder.h"

namespace qx {

namespace {

struct FrameChoice {
    uint32_t filter = 0;
    uint32_t shift = 0;
    uint8_t nibbles[XA_FRAME_SAMPLES] = {};
    int16_t decoded[XA_FRAME_SAMPLES] = {};
    int64_t error = INT64_MAX;
};

// The nibble whose decoded sample comes nearest `target`, from the history given.
uint32_t nearest_nibble(int32_t target, uint32_t shift, XaCoefficients k, int32_t current,
                        int32_t previous) {
    const int64_t base = int64_t{k.k1} * current + int64_t{k.k2} * previous + 128;
    const int64_t step = int64_t{1} << (20 - shift);
    const int64_t wanted = int64_t{target} * 256 + 128 - base;
    const int64_t estimate = (wanted >= 0 ? wanted : wanted - step + 1) / step;
    uint32_t best = 0;
    int32_t best_error = INT32_MAX;
    for (int64_t n = estimate - 1; n <= estimate + 1; ++n) {
        const int64_t clamped = n < -8 ? -8 : (n > 7 ? 7 : n);
        const auto nibble = static_cast<uint32_t>(clamped) & 0xF;
        int32_t cur = current;
        int32_t prev = previous;
        const int32_t error = std::abs(xa_decode_sample(nibble, shift, k, cur, prev) - target);
        if (error < best_error) {
            best_error = error;
            best = nibble;
        }
    }
    return best;
}

// Codes one channel's 28 samples with every filter and shift and keeps the best.
FrameChoice choose_frame(const int32_t* samples, int32_t current, int32_t previous) {
    FrameChoice best;
    for (uint32_t filter = 0; filter < 4; ++filter) {
        const XaCoefficients k = XA_COEFFICIENTS[filter];
        for (uint32_t shift = 0; shift < 16; ++shift) {
            FrameChoice trial;
            trial.filter = filter;
            trial.shift = shift;
            trial.error = 0;
            int32_t cur = current;
            int32_t prev = previous;
            for (int32_t i = 0; i < XA_FRAME_SAMPLES && trial.error < best.error; ++i) {
                const uint32_t nibble = nearest_nibble(samples[i], shift, k, cur, prev);
                const int32_t sample = xa_decode_sample(nibble, shift, k, cur, prev);
                const int64_t difference = sample - samples[i];
                trial.error += difference * difference;
                trial.nibbles[i] = static_cast<uint8_t>(nibble);
                trial.decoded[i] = static_cast<int16_t>(sample);
            }
            if (trial.error < best.error) {
                best = trial;
            }
        }
    }
    return best;
}

void put_le16(std::vector<uint8_t>& out, int32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> 8));
}

}  // namespace

EncodedAudio xa_encode_payload(std::span<const int16_t> samples, int32_t channels,
                               XaEncoderState& state) {
    const size_t per_frame = channels == 2 ? 2 : 1;
    const size_t frames = samples.size() / per_frame;
    const size_t xa_frames = (frames + XA_FRAME_SAMPLES - 1) / XA_FRAME_SAMPLES;
    EncodedAudio encoded;
    std::vector<uint8_t>& out = encoded.payload;
    out.assign(4, 0);
    put_le16(out, state.current[0]);
    put_le16(out, state.previous[0]);
    put_le16(out, state.current[1]);
    put_le16(out, state.previous[1]);
    for (size_t frame = 0; frame < xa_frames; ++frame) {
        FrameChoice choices[2];
        for (size_t channel = 0; channel < per_frame; ++channel) {
            int32_t input[XA_FRAME_SAMPLES] = {};
            for (size_t i = 0; i < XA_FRAME_SAMPLES; ++i) {
                const size_t at = frame * XA_FRAME_SAMPLES + i;
                input[i] = at < frames ? samples[at * per_frame + channel] : 0;
            }
            choices[channel] = choose_frame(input, state.current[channel], state.previous[channel]);
            state.current[channel] = choices[channel].decoded[XA_FRAME_SAMPLES - 1];
            state.previous[channel] = choices[channel].decoded[XA_FRAME_SAMPLES - 2];
        }
        if (per_frame == 1) {
            const FrameChoice& mono = choices[0];
            out.push_back(static_cast<uint8_t>(mono.filter << 4 | mono.shift));
            for (size_t i = 0; i < XA_FRAME_SAMPLES; i += 2) {
                out.push_back(static_cast<uint8_t>(mono.nibbles[i] << 4 | mono.nibbles[i + 1]));
            }
            for (const int16_t sample : mono.decoded) {
                encoded.decoded.push_back(sample);
                encoded.decoded.push_back(sample);
            }
        } else {
            const FrameChoice& left = choices[0];
            const FrameChoice& right = choices[1];
            out.push_back(static_cast<uint8_t>(left.filter << 4 | right.filter));
            out.push_back(static_cast<uint8_t>(left.shift << 4 | right.shift));
            for (size_t i = 0; i < XA_FRAME_SAMPLES; ++i) {
                out.push_back(static_cast<uint8_t>(left.nibbles[i] << 4 | right.nibbles[i]));
                encoded.decoded.push_back(left.decoded[i]);
                encoded.decoded.push_back(right.decoded[i]);
            }
        }
    }
    return encoded;
}

}  // namespace qx

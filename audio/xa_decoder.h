#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

// Compression 7: four-bit predictive ADPCM in frames of 28 samples per channel. Each frame
// chooses one of four two-tap prediction filters and a shift.

struct XaCoefficients {
    int32_t k1;  // applied to the current sample, in 1/256 units
    int32_t k2;  // applied to the previous sample
};

// Indexed by the frame's filter number.
inline constexpr XaCoefficients XA_COEFFICIENTS[4] = {
    {0, 0},       // filter 0: no prediction
    {240, 0},     // filter 1
    {460, -208},  // filter 2
    {392, -220},  // filter 3
};

inline constexpr int32_t XA_FRAME_SAMPLES = 28;
inline constexpr size_t XA_MONO_FRAME_BYTES = 15;
inline constexpr size_t XA_STEREO_FRAME_BYTES = 30;

// Filter numbers 4-15 lie outside the format; such a frame is decoded without prediction.
inline XaCoefficients xa_filter(uint32_t filter) {
    return filter < 4 ? XA_COEFFICIENTS[filter] : XA_COEFFICIENTS[0];
}

// One sample from its nibble (0-15, read as -8..7), updating the channel's history, which
// stays within the 16-bit range when it starts there.
inline int32_t xa_decode_sample(uint32_t nibble, uint32_t shift, XaCoefficients k, int32_t& current,
                                int32_t& previous) {
    // The nibble in the top four bits, shifted down arithmetically: n x 2^(20 - shift).
    const int32_t delta = static_cast<int32_t>(nibble << 28) >> (shift + 8);
    int32_t sample = (k.k1 * current + k.k2 * previous + delta + 128) >> 8;
    sample = sample < -32768 ? -32768 : (sample > 32767 ? 32767 : sample);
    previous = current;
    current = sample;
    return sample;
}

// Decodes the frames that hold `samples` samples (rounded up to whole frames) from `frames`,
// starting at the frame of sample `position`, writing each sample to both halves of the next
// stereo frame at `output`. Only whole frames are decoded, as many as both `frames` and the
// `output_frames` left at `output` hold. `position` and `output` come back advanced.
void xa_decode_mono(int32_t samples, int32_t& position, int32_t& current, int32_t& previous,
                    std::span<const uint8_t> frames, int16_t*& output, size_t output_frames);

// The two-channel form: 30-byte frames, one output frame per data byte.
void xa_decode_stereo(int32_t samples, int32_t& position, int32_t& left_current,
                      int32_t& left_previous, int32_t& right_current, int32_t& right_previous,
                      std::span<const uint8_t> frames, int16_t*& output, size_t output_frames);

}  // namespace qx

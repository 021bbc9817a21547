#include "audio/ima_decoder.h"

namespace qx {

namespace {

int32_t unpack_sample(uint32_t packed) {
    return static_cast<int16_t>(packed & 0xFFFF);
}

// Packed state is only ever written by this decoder, but a bad value must still index the
// table safely.
int32_t unpack_index(uint32_t packed) {
    const auto index = static_cast<int32_t>(packed & 0xFFFF);
    return index > IMA_MAX_INDEX ? IMA_MAX_INDEX : index;
}

uint32_t pack(int32_t low, int32_t high) {
    return (static_cast<uint32_t>(low) & 0xFFFF) | (static_cast<uint32_t>(high) & 0xFFFF) << 16;
}

}  // namespace

void ima_decode_stereo(std::span<const uint8_t> input, int16_t* output, size_t output_frames,
                       uint32_t& samples, uint32_t& steps) {
    int32_t left = unpack_sample(samples);
    int32_t right = unpack_sample(samples >> 16);
    int32_t left_index = unpack_index(steps);
    int32_t right_index = unpack_index(steps >> 16);
    const size_t count = input.size() < output_frames ? input.size() : output_frames;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t byte = input[i];
        output[0] = static_cast<int16_t>(ima_decode_nibble(byte >> 4, left, left_index));
        output[1] = static_cast<int16_t>(ima_decode_nibble(byte & 0xF, right, right_index));
        output += 2;
    }
    samples = pack(left, right);
    steps = pack(left_index, right_index);
}

}  // namespace qx

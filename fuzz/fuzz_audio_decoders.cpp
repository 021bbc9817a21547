// The three ADPCM decoders driven directly with any data, history and output size.
#include <cstdint>
#include <span>
#include <vector>

#include "audio/ima_decoder.h"
#include "audio/xa_decoder.h"

namespace qx {

namespace {

int32_t history(const uint8_t* bytes) {
    return static_cast<int16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) {
        return 0;
    }
    const int32_t samples = static_cast<int16_t>(data[0] | data[1] << 8);
    int32_t position = static_cast<int16_t>(data[2] | data[3] << 8);
    const size_t output_frames = data[4] | (data[5] & 0x3F) << 8;
    int32_t left_current = history(data + 6);
    int32_t left_previous = history(data + 8);
    int32_t right_current = history(data + 10);
    int32_t right_previous = left_current ^ right_current;
    right_previous = static_cast<int16_t>(right_previous);
    const std::span<const uint8_t> input(data + 12, size - 12);
    std::vector<int16_t> out(2 * output_frames);
    int16_t* output = out.data();
    int32_t mono_position = position;
    xa_decode_mono(samples, mono_position, left_current, left_previous, input, output,
                   output_frames);
    output = out.data();
    xa_decode_stereo(samples, position, left_current, left_previous, right_current, right_previous,
                     input, output, output_frames);
    uint32_t packed_samples = static_cast<uint32_t>(left_current) & 0xFFFF;
    uint32_t packed_steps = static_cast<uint32_t>(samples);
    ima_decode_stereo(input, out.data(), output_frames, packed_samples, packed_steps);
    return 0;
}

}  // namespace qx

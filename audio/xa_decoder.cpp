#include "audio/xa_decoder.h"

namespace qx {

namespace {

// Whole frames to decode: those that `samples` asks for, that lie in the data from the
// position's frame on, and whose 28 output frames fit.
size_t frames_to_decode(int32_t samples, int32_t position, size_t frame_bytes, size_t data_bytes,
                        size_t output_frames, size_t& data_offset) {
    if (samples <= 0 || position < 0) {
        return 0;
    }
    data_offset = static_cast<size_t>(static_cast<int64_t>(position) *
                                      static_cast<int64_t>(frame_bytes) / XA_FRAME_SAMPLES);
    if (data_offset >= data_bytes) {
        return 0;
    }
    size_t frames = (static_cast<size_t>(samples) + XA_FRAME_SAMPLES - 1) / XA_FRAME_SAMPLES;
    const size_t in_data = (data_bytes - data_offset) / frame_bytes;
    const size_t in_output = output_frames / XA_FRAME_SAMPLES;
    frames = frames < in_data ? frames : in_data;
    return frames < in_output ? frames : in_output;
}

int32_t advanced_position(int32_t position, size_t frames) {
    return static_cast<int32_t>(static_cast<uint32_t>(position) +
                                static_cast<uint32_t>(frames) * XA_FRAME_SAMPLES);
}

}  // namespace

void xa_decode_mono(int32_t samples, int32_t& position, int32_t& current, int32_t& previous,
                    std::span<const uint8_t> frames, int16_t*& output, size_t output_frames) {
    size_t offset = 0;
    const size_t count = frames_to_decode(samples, position, XA_MONO_FRAME_BYTES, frames.size(),
                                          output_frames, offset);
    const uint8_t* data = frames.data() + offset;
    int16_t* out = output;
    int32_t cur = current;
    int32_t prev = previous;
    for (size_t frame = 0; frame < count; ++frame) {
        const XaCoefficients k = xa_filter(data[0] >> 4);
        const uint32_t shift = data[0] & 0xF;
        for (size_t i = 1; i < XA_MONO_FRAME_BYTES; ++i) {
            const uint32_t byte = data[i];
            const auto first =
                static_cast<int16_t>(xa_decode_sample(byte >> 4, shift, k, cur, prev));
            const auto second =
                static_cast<int16_t>(xa_decode_sample(byte & 0xF, shift, k, cur, prev));
            out[0] = first;
            out[1] = first;
            out[2] = second;
            out[3] = second;
            out += 4;
        }
        data += XA_MONO_FRAME_BYTES;
    }
    position = advanced_position(position, count);
    current = cur;
    previous = prev;
    output = out;
}

void xa_decode_stereo(int32_t samples, int32_t& position, int32_t& left_current,
                      int32_t& left_previous, int32_t& right_current, int32_t& right_previous,
                      std::span<const uint8_t> frames, int16_t*& output, size_t output_frames) {
    size_t offset = 0;
    const size_t count = frames_to_decode(samples, position, XA_STEREO_FRAME_BYTES, frames.size(),
                                          output_frames, offset);
    const uint8_t* data = frames.data() + offset;
    int16_t* out = output;
    int32_t left_cur = left_current;
    int32_t left_prev = left_previous;
    int32_t right_cur = right_current;
    int32_t right_prev = right_previous;
    for (size_t frame = 0; frame < count; ++frame) {
        const XaCoefficients left_k = xa_filter(data[0] >> 4);
        const XaCoefficients right_k = xa_filter(data[0] & 0xF);
        const uint32_t left_shift = data[1] >> 4;
        const uint32_t right_shift = data[1] & 0xF;
        for (size_t i = 2; i < XA_STEREO_FRAME_BYTES; i += 2) {
            const uint32_t first = data[i];
            const uint32_t second = data[i + 1];
            out[0] = static_cast<int16_t>(
                xa_decode_sample(first >> 4, left_shift, left_k, left_cur, left_prev));
            out[1] = static_cast<int16_t>(
                xa_decode_sample(first & 0xF, right_shift, right_k, right_cur, right_prev));
            out[2] = static_cast<int16_t>(
                xa_decode_sample(second >> 4, left_shift, left_k, left_cur, left_prev));
            out[3] = static_cast<int16_t>(
                xa_decode_sample(second & 0xF, right_shift, right_k, right_cur, right_prev));
            out += 4;
        }
        data += XA_STEREO_FRAME_BYTES;
    }
    position = advanced_position(position, count);
    left_current = left_cur;
    left_previous = left_prev;
    right_current = right_cur;
    right_previous = right_prev;
    output = out;
}

}  // namespace qx

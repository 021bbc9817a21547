// Decoding speed of each audio decoder on encoder output, in sample frames per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <span>
#include <vector>

#include "audio/ima_decoder.h"
#include "audio/xa_decoder.h"
#include "authoring/audio_encoders.h"

namespace qx {

namespace {

constexpr size_t FRAMES = 28 * 1000;

std::vector<int16_t> music(int32_t channels) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < FRAMES; ++i) {
        for (int32_t c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i) / 22050.0;
            samples.push_back(static_cast<int16_t>(9000 * std::sin(2 * M_PI * (440 + 110 * c) * t) +
                                                   3000 * std::sin(7000 * t)));
        }
    }
    return samples;
}

void xa_mono(benchmark::State& state) {
    XaEncoderState encoder;
    const EncodedAudio encoded = xa_encode_payload(music(1), 1, encoder);
    const std::span<const uint8_t> frames = std::span(encoded.payload).subspan(12);
    std::vector<int16_t> out(2 * FRAMES);
    for (auto _ : state) {
        int32_t position = 0;
        int32_t current = 0;
        int32_t previous = 0;
        int16_t* output = out.data();
        xa_decode_mono(FRAMES, position, current, previous, frames, output, FRAMES);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FRAMES));
}
BENCHMARK(xa_mono);

void xa_stereo(benchmark::State& state) {
    XaEncoderState encoder;
    const EncodedAudio encoded = xa_encode_payload(music(2), 2, encoder);
    const std::span<const uint8_t> frames = std::span(encoded.payload).subspan(12);
    std::vector<int16_t> out(2 * FRAMES);
    for (auto _ : state) {
        int32_t position = 0;
        int32_t history[4] = {};
        int16_t* output = out.data();
        xa_decode_stereo(FRAMES, position, history[0], history[1], history[2], history[3], frames,
                         output, FRAMES);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FRAMES));
}
BENCHMARK(xa_stereo);

void ima_stereo(benchmark::State& state) {
    ImaEncoderState encoder;
    const EncodedAudio encoded = ima_encode_payload(music(2), 2, encoder);
    std::vector<int16_t> out(2 * FRAMES);
    for (auto _ : state) {
        uint32_t samples = 0;
        uint32_t steps = 0;
        ima_decode_stereo(encoded.payload, out.data(), FRAMES, samples, steps);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FRAMES));
}
BENCHMARK(ima_stereo);

}  // namespace

}  // namespace qx

// Speed of the video encoders on a moving scene, at a small and a full-HD size: each
// iteration encodes the next frame of a slow pan, so that Zle's copy search and Rkd's inter
// frames take their part. Mnb is the yardstick: Zle and Rkd should stay within twice its time.
#include <benchmark/benchmark.h>

#include <vector>

#include "authoring/dct_scene.h"
#include "authoring/mnb_encoder.h"
#include "authoring/rkd_encoder.h"
#include "authoring/zle_encoder.h"

namespace qx {

namespace {

constexpr int32_t PAN_FRAMES = 4;

std::vector<std::vector<uint8_t>> pan(int32_t width, int32_t height) {
    std::vector<std::vector<uint8_t>> frames;
    for (int32_t f = 0; f < PAN_FRAMES; ++f) {
        frames.push_back(dct_scene(width, height, 2 * f, f));
    }
    return frames;
}

template <typename Encode>
void encode_pan(benchmark::State& state, Encode encode) {
    const auto width = int32_t(state.range(0));
    const auto height = int32_t(state.range(1));
    const auto frames = pan(width, height);
    size_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            encode(RgbPicture{width, height, frames[n++ % frames.size()].data()}));
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_MnbEncode(benchmark::State& state) {
    MnbEncoder encoder(75);
    encode_pan(state, [&](const RgbPicture& picture) { return encoder.encode(picture); });
}

void BM_ZleEncode(benchmark::State& state) {
    ZleEncoder encoder({75, false, true});
    encode_pan(state, [&](const RgbPicture& picture) { return encoder.encode(picture); });
}

void BM_RkdEncode(benchmark::State& state) {
    RkdEncoder encoder;
    encode_pan(state, [&](const RgbPicture& picture) {
        return encoder.encode_rgb(picture.width, picture.height,
                                  {picture.rgb, size_t(picture.width) * picture.height * 3});
    });
}

BENCHMARK(BM_MnbEncode)->Args({320, 240})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZleEncode)->Args({320, 240})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RkdEncode)->Args({320, 240})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace qx

// Colour fidelity of the Mnb and Zle encoders on generated pictures where saturated colours
// meet (discs, text on colour, bars, sweeps), beside noise and smooth photograph-like content.
// Each run encodes one picture at one quality, decodes it as the player shows it on 5-6-5 and
// reports: psnr (dB), speckles (pixels a channel more than 64 off), wrapped (pixels whose
// colour the summed tables wrapped), bytes, and libjpeg-turbo's quality-75 4:2:0 coding of the
// same picture (jpeg75_psnr, jpeg75_speckles) with the speckle share the encoders are held to
// at quality 75 (allowed: JPEG's count, or 0.1% of the picture where that is more). The time
// is the encode's. For the table alone: --benchmark_filter=ColourFidelity
// --benchmark_counters_tabular=true.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "authoring/dct_frame_check.h"
#include "authoring/dct_scene.h"
#include "authoring/dct_shown.h"
#include "authoring/mnb_encoder.h"
#include "authoring/saturated_scenes.h"
#include "authoring/zle_encoder.h"
#include "bench/jpeg_reference.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 320;
constexpr int32_t HEIGHT = 240;
constexpr int32_t QUALITIES[] = {50, 75, 95, 100};

using Rgb = std::array<uint8_t, 3>;

struct Picture {
    std::string name;
    std::vector<uint8_t> rgb;

    explicit Picture(std::string picture_name)
        : name(std::move(picture_name)), rgb(size_t(WIDTH) * HEIGHT * 3) {}
    Picture(std::string picture_name, std::vector<uint8_t> pixels)
        : name(std::move(picture_name)), rgb(std::move(pixels)) {}
    void put(int32_t x, int32_t y, const Rgb& colour) {
        std::copy(colour.begin(), colour.end(), &rgb[3 * (size_t(y) * WIDTH + x)]);
    }
};

Picture colour_bars() {
    Picture picture("colour bars");
    // Red, green and blue on or off for each bar: white, yellow, cyan, green, magenta, red,
    // blue, black.
    const Rgb bars[] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                        {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            picture.put(x, y, bars[x * 8 / WIDTH]);
        }
    }
    return picture;
}

// Hue across, from full brightness at the top to dark at the bottom.
Picture hue_gradient() {
    Picture picture("hue gradient");
    for (int32_t y = 0; y < HEIGHT; ++y) {
        const double value = 255.0 * (HEIGHT - y) / HEIGHT;
        for (int32_t x = 0; x < WIDTH; ++x) {
            const double hue = 6.0 * x / WIDTH;
            Rgb colour;
            for (int32_t c = 0; c < 3; ++c) {
                // Each channel's triangle over the hue circle, red at 0, green at 2, blue at 4.
                const double distance = std::abs(std::remainder(hue - 2.0 * c, 6.0));
                colour[size_t(c)] =
                    uint8_t(std::lround(value * std::clamp(2.0 - distance, 0.0, 1.0)));
            }
            picture.put(x, y, colour);
        }
    }
    return picture;
}

Picture colour_noise() {
    Picture picture("noise");
    uint32_t seed = 12345;
    for (uint8_t& value : picture.rgb) {
        seed = seed * 1664525u + 1013904223u;
        value = uint8_t(seed >> 24);
    }
    return picture;
}

const std::vector<Picture>& pictures() {
    static const std::vector<Picture> all = {
        {"yellow discs on green", yellow_discs_on_green(WIDTH, HEIGHT)},
        {"white text on colour", white_text_on_colour(WIDTH, HEIGHT)},
        {"logo", saturated_logo(WIDTH, HEIGHT)},
        colour_bars(),
        hue_gradient(),
        colour_noise(),
        {"scene", dct_scene(WIDTH, HEIGHT)}};
    return all;
}

struct Fidelity {
    double psnr;
    int64_t speckles;
};

Fidelity fidelity_of(const std::vector<uint8_t>& source, const std::vector<uint8_t>& shown) {
    const int64_t squared = squared_error(source.data(), shown.data(), source.size());
    int64_t speckles = 0;
    for (size_t i = 0; i < source.size(); i += 3) {
        speckles += is_speckle(&shown[i], &source[i]) ? 1 : 0;
    }
    const double mse = double(squared) / double(source.size());
    return {mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse), speckles};
}

Fidelity jpeg75_fidelity(const Picture& picture) {
    std::vector<uint8_t> shown(picture.rgb.size());
    jpeg_decompress(jpeg_compress(picture.rgb, WIDTH, HEIGHT, 75), JCS_RGB, 3, shown);
    return fidelity_of(picture.rgb, shown);
}

void BM_ColourFidelity(benchmark::State& state, const Picture& picture, DctFormat format,
                       int32_t quality) {
    const RgbPicture source{WIDTH, HEIGHT, picture.rgb.data()};
    std::vector<uint8_t> payload;
    for (auto _ : state) {
        payload = format == DctFormat::Mnb ? MnbEncoder(quality).encode(source)
                                           : ZleEncoder({quality, false, false}).encode(source);
        benchmark::DoNotOptimize(payload.data());
    }
    const ShownDctFrame shown = show_dct_frame(format, payload);
    if (shown.result != 0) {
        state.SkipWithError("the player cannot decode the frame");
        return;
    }
    const Fidelity ours = fidelity_of(picture.rgb, shown.rgb);
    const Fidelity jpeg = jpeg75_fidelity(picture);
    state.counters["psnr"] = ours.psnr;
    state.counters["speckles"] = double(ours.speckles);
    state.counters["wrapped"] = double(shown.wrapped);
    state.counters["bytes"] = double(payload.size());
    state.counters["jpeg75_psnr"] = jpeg.psnr;
    state.counters["jpeg75_speckles"] = double(jpeg.speckles);
    state.counters["allowed_at_75"] =
        double(std::max<int64_t>(jpeg.speckles, int64_t{WIDTH} * HEIGHT / 1000));
}

[[maybe_unused]] const bool registered = [] {
    for (const Picture& picture : pictures()) {
        for (const DctFormat format : {DctFormat::Mnb, DctFormat::Zle}) {
            for (const int32_t quality : QUALITIES) {
                const std::string name = "ColourFidelity/" + picture.name + "/" +
                                         (format == DctFormat::Mnb ? "mnb" : "zle") +
                                         "/q:" + std::to_string(quality);
                benchmark::RegisterBenchmark(name.c_str(), BM_ColourFidelity, picture, format,
                                             quality)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(1);
            }
        }
    }
    return true;
}();

}  // namespace

}  // namespace qx

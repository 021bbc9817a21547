// Speed of the DCT codecs: the inverse transform, macroblock conversion (fast and reference),
// whole Mnb and Zle frames decoded from encoder output, and Zle's entropy decoding alone.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "authoring/dct_scene.h"
#include "authoring/mnb_encoder.h"
#include "authoring/zle_encoder.h"
#include "codecs/dct/dct_colour_tables.h"
#include "codecs/dct/idct.h"
#include "codecs/dct/mnb_bit_reader.h"
#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"

namespace qx {

namespace {

const ColourTables& bench_tables() {
    static const ColourTables tables = [] {
        ColourTables built;
        build_colour_tables(built, DCT_RGB565);
        return built;
    }();
    return tables;
}

// Coefficients as quantisation leaves them: the low frequencies set, most others zero.
void BM_IdctBlock(benchmark::State& state) {
    std::mt19937 random(3);
    std::vector<CoefficientBlock> blocks(64);
    for (CoefficientBlock& block : blocks) {
        for (int i = 0; i < 64; ++i) {
            block.values[i] =
                (i % 8 < 3 && i / 8 < 3) ? int32_t(random() % 2000) * 300 - 300000 : 0;
        }
    }
    int32_t plane[64];
    size_t n = 0;
    for (auto _ : state) {
        idct_block(blocks[n++ % blocks.size()], plane, 0, 0, 8);
        benchmark::DoNotOptimize(plane);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IdctBlock);

template <bool Reference>
void BM_ConvertMacroblock(benchmark::State& state) {
    const auto mode = static_cast<ConvertMode>(state.range(0));
    std::mt19937 random(5);
    MacroblockPlanes planes;
    for (int32_t& s : planes.luma_plane) {
        s = int32_t(random() % 128) - 64;
    }
    for (int i = 0; i < 64; ++i) {
        planes.cb_plane[i] = int32_t(random() % 128) - 64;
        planes.cr_plane[i] = int32_t(random() % 128) - 64;
    }
    std::vector<uint8_t> picture(16 * 64);
    const size_t stride = 16 * size_t(convert_pixel_bytes(mode));
    for (auto _ : state) {
        if (Reference) {
            convert_macroblock_reference(planes, bench_tables(), picture.data(), stride, mode);
        } else {
            convert_macroblock(planes, bench_tables(), picture.data(), stride, mode);
        }
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_ConvertMacroblock<false>)->DenseRange(0, 3)->ArgName("mode");
BENCHMARK(BM_ConvertMacroblock<true>)->DenseRange(0, 3)->ArgName("mode");

void report_frames(benchmark::State& state, int32_t width, int32_t height) {
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["Mpixel/s"] = benchmark::Counter(
        double(state.iterations()) * width * height / 1e6, benchmark::Counter::kIsRate);
}

void BM_MnbFrame(benchmark::State& state) {
    const auto width = int32_t(state.range(0));
    const auto height = width * 3 / 4;
    const auto quality = int32_t(state.range(1));
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    MnbEncoder encoder(quality);
    const std::vector<uint8_t> payload = encoder.encode(RgbPicture{width, height, rgb.data()});
    DctDecoder decoder;
    mnb_build_dequant_table(decoder.dequant_table, quality);
    std::vector<uint8_t> picture(size_t(width) * height * 2);
    const DctFrame frame{width, height, 2, picture.size()};
    for (auto _ : state) {
        mnb_decode_picture(decoder, bench_tables(), frame, payload.data() + 8,
                           uint32_t(payload.size() - 8), picture.data());
        benchmark::DoNotOptimize(picture.data());
    }
    report_frames(state, width, height);
}
BENCHMARK(BM_MnbFrame)->ArgsProduct({{320, 640}, {50, 90}})->ArgNames({"width", "quality"});

// The entropy decoding of a whole Mnb frame alone: the six blocks of every coded record.
void BM_MnbBlocks(benchmark::State& state) {
    const int32_t width = 640;
    const int32_t height = 480;
    const auto quality = int32_t(state.range(0));
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    const std::vector<uint8_t> payload =
        MnbEncoder(quality).encode(RgbPicture{width, height, rgb.data()});
    std::vector<std::pair<const uint8_t*, size_t>> coded;
    for (size_t at = 8; at < payload.size(); at += 1 + payload[at]) {
        if (payload[at] > 12) {
            coded.emplace_back(payload.data() + at + 1, payload[at]);
        }
    }
    DequantTable dequant_table;
    mnb_build_dequant_table(dequant_table, quality);
    MnbBitReader reader;
    CoefficientBlock block;
    for (auto _ : state) {
        for (const auto& [record, bytes] : coded) {
            mnb_reader_start(reader, record, bytes);
            for (int32_t b = 0; b < 6; ++b) {
                mnb_decode_block(reader, dequant_table, block);
                benchmark::DoNotOptimize(block.values);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(coded.size()) * 6);
    state.counters["bpp"] = double(payload.size()) * 8 / (double(width) * height);
}
BENCHMARK(BM_MnbBlocks)->Arg(50)->Arg(75)->Arg(90)->ArgName("quality");

// Arg 2: 0 for an intra frame, 1 for the second frame of a slow pan (mostly copies).
void BM_ZleFrame(benchmark::State& state) {
    const auto width = int32_t(state.range(0));
    const auto height = width * 3 / 4;
    const auto quality = int32_t(state.range(1));
    const bool panning = state.range(2) != 0;
    ZleEncoder encoder({quality, false, true});
    const std::vector<uint8_t> first_rgb = dct_scene(width, height);
    std::vector<uint8_t> payload = encoder.encode(RgbPicture{width, height, first_rgb.data()});
    if (panning) {
        const std::vector<uint8_t> next_rgb = dct_scene(width, height, 2, 1);
        payload = encoder.encode(RgbPicture{width, height, next_rgb.data()});
    }
    const ZleFrameFlags flags{(payload[7] & 1) != 0, false};
    DctDecoder decoder;
    zle_build_dequant_table(decoder.dequant_table, quality);
    std::vector<uint8_t> draw(size_t(width) * height * 2);
    std::vector<uint8_t> reference(draw.size());
    const DctFrame frame{width, height, 2, draw.size()};
    for (auto _ : state) {
        zle_decode_picture(decoder, bench_tables(), frame, flags, payload.data() + 8,
                           uint32_t(payload.size() - 8), draw.data(), reference.data());
        benchmark::DoNotOptimize(draw.data());
    }
    report_frames(state, width, height);
}
BENCHMARK(BM_ZleFrame)
    ->ArgsProduct({{320, 640}, {50, 90}, {0, 1}})
    ->ArgNames({"width", "quality", "pan"});

// The entropy decoding of a Zle intra frame alone: every block's codes, no transform.
void BM_ZleBlocks(benchmark::State& state) {
    const auto width = int32_t(state.range(0));
    const auto height = width * 3 / 4;
    const auto quality = int32_t(state.range(1));
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    const std::vector<uint8_t> payload =
        ZleEncoder({quality, false, false}).encode(RgbPicture{width, height, rgb.data()});
    DctDecoder decoder;
    zle_build_dequant_table(decoder.dequant_table, payload[4]);
    const int32_t blocks = width / 16 * (height / 16) * 6;
    for (auto _ : state) {
        zle_reader_start(decoder.zle_reader, payload.data() + 8, uint32_t(payload.size() - 8));
        for (int32_t b = 0; b < blocks; ++b) {
            const ZleComponent component = b % 6 < 4 ? ZLE_LUMA : b % 6 == 4 ? ZLE_CB : ZLE_CR;
            zle_decode_block(decoder.zle_reader, component, decoder.dequant_table, decoder.block);
            benchmark::DoNotOptimize(decoder.block);
        }
    }
    report_frames(state, width, height);
}
BENCHMARK(BM_ZleBlocks)->ArgsProduct({{640}, {50, 75, 90}})->ArgNames({"width", "quality"});

}  // namespace

}  // namespace qx

// Every kernel of the codec and presenter tables, each version beside the plain reference, on
// inputs shaped like real streams: kernel/<entry>/<version>. Versions the processor cannot run are
// left out.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "authoring/rkd_encoder.h"
#include "bench/rgb565_tables.h"
#include "codecs/dct/dct_kernels.h"
#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_kernels.h"
#include "platform/sdl/picture_enlarge.h"
#include "platform/sdl/present_kernels.h"
#include "tests/codecs/rkd/rkd_test_support.h"
#include "video/display_setup.h"

namespace qx {

namespace {

// Every run's context names the kernel versions the codecs ran (QX_KERNELS may have lowered
// them), so figures from different machines can be told apart.
const bool kernels_in_context = [] {
    benchmark::AddCustomContext("kernels", cpu_level_name(cpu_level()));
    return true;
}();

struct Version {
    std::string name;
    DctKernels dct;
    RkdKernels rkd;
    PresentKernels present;
};

std::vector<Version> versions() {
    std::vector<Version> all{{"reference", dct_reference_kernels(), rkd_reference_kernels(),
                              present_reference_kernels()}};
    for (CpuLevel level : CPU_LEVELS) {
        if (level <= cpu_level()) {
            all.push_back({cpu_level_name(level), dct_kernels_for(level), rkd_kernels_for(level),
                           present_kernels_for(level)});
        }
    }
    return all;
}

// Blocks by the coefficients they carry, as the transforms tell them apart.
enum class BlockCoverage {
    DC_ONLY,
    FIRST_GROUP,      // horizontal frequency 0 only
    LOW_FREQUENCIES,  // the first three frequencies each way, as quantisation leaves most blocks
    ALL,
};

bool covered(BlockCoverage coverage, int32_t i) {
    switch (coverage) {
        case BlockCoverage::DC_ONLY:
            return i == 0;
        case BlockCoverage::FIRST_GROUP:
            return i < 8;
        case BlockCoverage::LOW_FREQUENCIES:
            return i % 8 < 3 && i / 8 < 3;
        case BlockCoverage::ALL:
            break;
    }
    return true;
}

std::vector<CoefficientBlock> blocks(BlockCoverage coverage) {
    std::mt19937 random(3);
    std::vector<CoefficientBlock> all(64);
    for (CoefficientBlock& block : all) {
        for (int32_t i = 0; i < 64; ++i) {
            block.values[i] = covered(coverage, i) ? int32_t(random() % 2000) * 300 - 300000 : 0;
        }
    }
    return all;
}

void bench_idct(benchmark::State& state, IdctBlockKernel kernel, BlockCoverage coverage) {
    const std::vector<CoefficientBlock> input = blocks(coverage);
    int32_t plane[256];
    size_t n = 0;
    for (auto _ : state) {
        kernel(input[n++ % input.size()], plane, 16);
        benchmark::DoNotOptimize(plane);
    }
    state.SetItemsProcessed(state.iterations());
}

void bench_convert(benchmark::State& state, ConvertMacroblockKernel kernel, ConvertMode mode) {
    std::mt19937 random(5);
    MacroblockPlanes planes;
    for (int32_t& s : planes.luma_plane) {
        s = int32_t(random() % 128) - 64;
    }
    for (int32_t i = 0; i < 64; ++i) {
        planes.cb_plane[i] = int32_t(random() % 128) - 64;
        planes.cr_plane[i] = int32_t(random() % 128) - 64;
    }
    const size_t stride = 16 * size_t(convert_pixel_bytes(mode));
    std::vector<uint8_t> picture(16 * stride);
    for (auto _ : state) {
        kernel(planes, rgb565_tables(), picture.data(), stride);
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetItemsProcessed(state.iterations() * 256);
}

void bench_copy_rows(benchmark::State& state, CopyRowsKernel kernel) {
    std::vector<uint8_t> from(640 * 2 * 32, 1);
    std::vector<uint8_t> to(from.size());
    for (auto _ : state) {
        kernel(to.data(), from.data() + 1280 * 8 + 2, 1280, 16, 32);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetItemsProcessed(state.iterations() * 256);
}

// A 640 x 480 Rkd picture and its key frame as the encoder packs it.
struct RkdMovie {
    RkdMovie() {
        RkdPalette palette;
        palette.count = 256;
        for (size_t i = 0; i < 768; ++i) {
            palette.rgb[i] = uint8_t(i * 37);
        }
        RkdEncoder encoder;
        encoder.set_palette(palette);
        const std::vector<uint8_t> key =
            encoder.encode_indexed(640, 480, rkd_drawn_picture(640, 480, 0))->payload;
        packed.assign(key.begin() + 12 + 768, key.end());
        picture = rkd_drawn_picture(640, 480, 0);
        for (uint32_t i = 0; i < 256; ++i) {
            table.entries[i] = i * 0x01010101u;
        }
        rkd_fill_pixel_pairs(*pairs, table);
    }
    static const RkdMovie& get() {
        static const RkdMovie movie;
        return movie;
    }
    std::vector<uint8_t> packed;
    std::vector<uint8_t> picture;
    RkdPixelTable table;
    std::unique_ptr<RkdPixelPairs> pairs = std::make_unique<RkdPixelPairs>();
};

constexpr size_t RKD_PIXELS = 640 * 480;

void bench_unpack(benchmark::State& state, RkdUnpackKernel kernel) {
    const RkdMovie& movie = RkdMovie::get();
    std::vector<uint8_t> picture(RKD_PIXELS);
    for (auto _ : state) {
        kernel(movie.packed.data(), movie.packed.size(), picture.data(), picture.size());
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * RKD_PIXELS));
}

void bench_assemble(benchmark::State& state, RkdAssembleKernel kernel) {
    const RkdMovie& movie = RkdMovie::get();
    std::mt19937 random(7);
    std::vector<int32_t> offsets{0, -1, 1, -640, 640, -641, 641, -1280};
    std::vector<uint8_t> blocks(16 * 64, 9);
    // Runs of one vector, 1 to 8 blocks long, between single table blocks, as encoded pictures
    // hold them.
    std::vector<int32_t> map(RKD_PIXELS / 16);
    for (size_t at = 0; at < map.size();) {
        const bool vector = random() % 5 != 0;
        const auto index =
            int32_t(vector ? random() % offsets.size() : offsets.size() + random() % 64);
        const size_t run = std::min<size_t>(vector ? 1 + random() % 8 : 1, map.size() - at);
        std::fill_n(map.begin() + long(at), run, index);
        at += run;
    }
    const RkdBlockSources sources{offsets.data(), uint32_t(offsets.size()), blocks.data(), 64};
    std::vector<uint8_t> picture(RKD_PIXELS);
    for (auto _ : state) {
        kernel(map.data(), movie.picture.data(), picture.data(), sources, 640, 480, nullptr);
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * RKD_PIXELS));
}

void bench_index_fields(benchmark::State& state, RkdIndexFieldsKernel kernel) {
    std::mt19937 random(8);
    std::vector<uint8_t> source((RKD_PIXELS / 16) * 11 / 8 + 4);
    for (uint8_t& byte : source) {
        byte = uint8_t(random());
    }
    std::vector<int32_t> map(RKD_PIXELS / 16);
    std::vector<uint64_t> marks((map.size() + 63) / 64);
    for (auto _ : state) {
        kernel(map.data(), source.data(), source.size(), uint32_t(map.size()), 11, 0, marks.data());
        benchmark::DoNotOptimize(map.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations() * map.size()));
}

// Still blocks of a map where one index in three is the still vector's.
void bench_mark_blocks(benchmark::State& state, RkdMarkBlocksKernel kernel) {
    std::mt19937 random(9);
    std::vector<int32_t> map(RKD_PIXELS / 16);
    for (int32_t& index : map) {
        index = int32_t(random() % 3);
    }
    std::vector<uint64_t> mask(rkd_mask_words(160, 120));
    for (auto _ : state) {
        kernel(map.data(), 160, 120, 0, mask.data());
        benchmark::DoNotOptimize(mask.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations() * map.size()));
}

void bench_rkd_convert(benchmark::State& state, RkdConvertKernel kernel, bool double_width) {
    const RkdMovie& movie = RkdMovie::get();
    std::vector<uint8_t> picture(RKD_PIXELS * (double_width ? 4 : 2));
    const RkdConversion conversion{movie.picture.data(), 640,   480,          &movie.table,
                                   movie.pairs.get(),    false, double_width, picture.data(),
                                   picture.size()};
    for (auto _ : state) {
        kernel(conversion);
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * picture.size()));
}

// A 320-pixel row of a picture shown in a window: enlarged to 427 pixels (no whole multiple),
// doubled, and converted from 5-6-5.
constexpr int32_t PRESENT_ROW = 320;

void bench_enlarge_row(benchmark::State& state, EnlargeRowKernel kernel) {
    const std::vector<uint32_t> source(PRESENT_ROW, 0x123456);
    const std::vector<int32_t> columns = nearest_sources(PRESENT_ROW, 427);
    std::vector<uint32_t> out(columns.size());
    for (auto _ : state) {
        kernel(source.data(), columns.data(), out.data(), int32_t(out.size()));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations() * out.size()));
}

void bench_double_row(benchmark::State& state, DoubleRowKernel kernel) {
    const std::vector<uint32_t> source(PRESENT_ROW, 0x123456);
    std::vector<uint32_t> out(2 * PRESENT_ROW);
    for (auto _ : state) {
        kernel(source.data(), out.data(), PRESENT_ROW);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations() * out.size()));
}

void bench_xrgb_row(benchmark::State& state, XrgbRowKernel kernel) {
    std::vector<uint8_t> pixels(2 * PRESENT_ROW);
    std::mt19937 random(5);
    std::generate(pixels.begin(), pixels.end(), [&] { return uint8_t(random()); });
    std::vector<uint32_t> out(PRESENT_ROW);
    for (auto _ : state) {
        kernel(pixels.data(), out.data(), PRESENT_ROW);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations() * out.size()));
}

const std::pair<BlockCoverage, const char*> IDCT_COVERAGES[] = {
    {BlockCoverage::DC_ONLY, "dc_only"},
    {BlockCoverage::FIRST_GROUP, "first_group"},
    {BlockCoverage::LOW_FREQUENCIES, "low_frequencies"},
    {BlockCoverage::ALL, "all_coefficients"},
};

const char* const MODE_NAMES[4] = {"summed_2", "summed_4", "channel_2", "channel_4"};

[[maybe_unused]] const bool registered = [] {
    auto add = [](const std::string& entry, const std::string& version, auto run) {
        benchmark::RegisterBenchmark(("kernel/" + entry + "/" + version).c_str(), run);
    };
    for (const Version& v : versions()) {
        const DctKernels dct = v.dct;
        const RkdKernels rkd = v.rkd;
        for (const auto& entry : IDCT_COVERAGES) {
            const BlockCoverage coverage = entry.first;
            add(std::string("idct_block_") + entry.second, v.name,
                [dct, coverage](auto& s) { bench_idct(s, dct.idct_block, coverage); });
        }
        for (int32_t mode = 0; mode < 4; ++mode) {
            add(std::string("convert_macroblock_") + MODE_NAMES[mode], v.name,
                [dct, mode](auto& s) {
                    bench_convert(s, dct.convert_macroblock[mode], ConvertMode(mode));
                });
        }
        add("copy_rows", v.name, [dct](auto& s) { bench_copy_rows(s, dct.copy_rows); });
        add("rkd_unpack", v.name, [rkd](auto& s) { bench_unpack(s, rkd.unpack); });
        add("rkd_assemble_picture", v.name,
            [rkd](auto& s) { bench_assemble(s, rkd.assemble_picture); });
        add("rkd_mark_blocks_of_index", v.name,
            [rkd](auto& s) { bench_mark_blocks(s, rkd.mark_blocks_of_index); });
        add("rkd_read_index_fields", v.name,
            [rkd](auto& s) { bench_index_fields(s, rkd.read_index_fields); });
        add("rkd_convert_16", v.name, [rkd](auto& s) { bench_rkd_convert(s, rkd.convert, false); });
        add("rkd_convert_32", v.name, [rkd](auto& s) { bench_rkd_convert(s, rkd.convert, true); });
        const PresentKernels present = v.present;
        add("enlarge_row", v.name,
            [present](auto& s) { bench_enlarge_row(s, present.enlarge_row); });
        add("double_row", v.name, [present](auto& s) { bench_double_row(s, present.double_row); });
        add("xrgb_from_565_row", v.name,
            [present](auto& s) { bench_xrgb_row(s, present.xrgb_from_565_row); });
    }
    return true;
}();

}  // namespace

}  // namespace qx

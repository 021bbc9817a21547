// Mnb and Zle intra decoding beside libjpeg-turbo decoding the same picture at matched bits per
// pixel, to 16-bit RGB565 (what our decoders write) and to 24-bit RGB. The three decoders take
// turns inside every iteration, each timed by its thread's processor time, so a busy machine
// slows them alike. The counters give each one's Mpixel/s and our speed as a multiple of
// libjpeg-turbo's (x_rgb565, x_rgb24: above 1 means we are faster). libjpeg-turbo runs its SIMD
// code; JSIMD_FORCENONE=1 in the environment times its plain C instead. For medians:
// --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.
// BM_ExportVersusLibjpegTurbo does the same for the whole `qx export --raw` program; TMPDIR
// chooses where its movie and frames are written (a disk folder or a memory one such as
// /dev/shm).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/dct_scene.h"
#include "authoring/mnb_encoder.h"
#include "authoring/movie_writer.h"
#include "authoring/zle_encoder.h"
#include "bench/jpeg_reference.h"
#include "bench/program_time.h"
#include "bench/rgb565_tables.h"
#include "bench/thread_time.h"
#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"
#include "tools/qx/export_file.h"
#include "video/display_setup.h"

namespace qx {

namespace {

constexpr int32_t QUALITY = 75;

// The JPEG quality whose file size comes closest to `target_bytes`.
int32_t jpeg_matching_quality(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                              size_t target_bytes) {
    int32_t best = 0;
    size_t best_distance = SIZE_MAX;
    for (int32_t quality = 5; quality <= 100; quality += 1) {
        const size_t size = jpeg_compress(rgb, width, height, quality).size();
        const size_t distance = size > target_bytes ? size - target_bytes : target_bytes - size;
        if (distance < best_distance) {
            best = quality;
            best_distance = distance;
        }
    }
    return best;
}

std::vector<uint8_t> jpeg_matching(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                                   size_t target_bytes) {
    return jpeg_compress(rgb, width, height,
                         jpeg_matching_quality(rgb, width, height, target_bytes));
}

// The processor time `decode` takes.
template <typename Decode>
double seconds_of(Decode decode) {
    const double start = thread_seconds();
    decode();
    return thread_seconds() - start;
}

// Arg 0: 0 for Mnb, 1 for Zle (intra frame); arg 1: width (height 3/4 of it, or 1080 for 1920).
void BM_VersusLibjpegTurbo(benchmark::State& state) {
    const bool zle = state.range(0) != 0;
    const auto width = int32_t(state.range(1));
    const int32_t height = width == 1920 ? 1080 : width * 3 / 4;
    const std::vector<uint8_t> rgb = dct_scene(width, height);
    const std::vector<uint8_t> payload =
        zle ? ZleEncoder({QUALITY, false, false}).encode(RgbPicture{width, height, rgb.data()})
            : MnbEncoder(QUALITY).encode(RgbPicture{width, height, rgb.data()});
    const std::vector<uint8_t> jpeg = jpeg_matching(rgb, width, height, payload.size());

    DctDecoder decoder;
    if (zle) {
        zle_build_dequant_table(decoder.dequant_table, QUALITY);
    } else {
        mnb_build_dequant_table(decoder.dequant_table, QUALITY);
    }
    const size_t pixels = size_t(width) * size_t(height);
    std::vector<uint8_t> ours(pixels * 2);
    std::vector<uint8_t> reference(pixels * 2);
    std::vector<uint8_t> rgb565(pixels * 2);
    std::vector<uint8_t> rgb24(pixels * 3);
    const DctFrame frame{width, height, 2, ours.size()};
    const uint8_t* stream = payload.data() + 8;
    const auto stream_bytes = uint32_t(payload.size() - 8);

    double ours_seconds = 0;
    double rgb565_seconds = 0;
    double rgb24_seconds = 0;
    for (auto _ : state) {
        ours_seconds += seconds_of([&] {
            if (zle) {
                zle_decode_picture(decoder, rgb565_tables(), frame, {true, false}, stream,
                                   stream_bytes, ours.data(), reference.data());
            } else {
                mnb_decode_picture(decoder, rgb565_tables(), frame, stream, stream_bytes,
                                   ours.data());
            }
        });
        rgb565_seconds += seconds_of([&] { jpeg_decompress(jpeg, JCS_RGB565, 2, rgb565); });
        rgb24_seconds += seconds_of([&] { jpeg_decompress(jpeg, JCS_RGB, 3, rgb24); });
        benchmark::DoNotOptimize(ours.data());
        benchmark::DoNotOptimize(rgb565.data());
        benchmark::DoNotOptimize(rgb24.data());
    }
    const double megapixels = double(state.iterations()) * double(pixels) / 1e6;
    state.counters["ours_Mpix/s"] = megapixels / ours_seconds;
    state.counters["jpeg565_Mpix/s"] = megapixels / rgb565_seconds;
    state.counters["jpeg24_Mpix/s"] = megapixels / rgb24_seconds;
    state.counters["x_rgb565"] = rgb565_seconds / ours_seconds;
    state.counters["x_rgb24"] = rgb24_seconds / ours_seconds;
    state.counters["bpp_ours"] = double(payload.size()) * 8 / double(pixels);
    state.counters["bpp_jpeg"] = double(jpeg.size()) * 8 / double(pixels);
}
BENCHMARK(BM_VersusLibjpegTurbo)
    ->ArgsProduct({{0, 1}, {640, 1920}})
    ->ArgNames({"zle", "width"})
    ->Unit(benchmark::kMillisecond);

ProgramTime export_raw(const std::string& qx_program, const std::string& movie,
                       const std::string& out_dir) {
    return program_time({qx_program, "export", "--raw", movie, out_dir});
}

constexpr int32_t EXPORT_FRAMES = 60;

// The whole process: `qx export --raw` of a 60-frame 1920 x 1080 Mnb movie (a panning scene)
// against libjpeg-turbo decoding the same 60 pictures, as JPEG at matched size, to RGB565 in
// this process. With over_old 0 every run writes into empty folders (a first export); with 1
// over the files of the run before (a user exporting again), which costs the system less. Each
// iteration times, in turn:
// - export_s: the export program, user and system time;
// - export_decode_s: our decoder alone on the frames in this process, so the rest of export_s
//   is the program's start, reading the movie and writing the frames;
// - jpeg565_s: libjpeg-turbo decoding, which writes nothing: x_export is jpeg565_s / export_s
//   (at least 1.5 means ours is at most 0.67 of it);
// - jpeg565_write_s: libjpeg-turbo decoding and writing each frame as a raw file, with the
//   export's own file writer into a folder of its own: x_export_writing compares the same work.
// QX_EXPORT_BEFORE=/path/to/another/qx times that program's export too, in the same turns
// (before_s, x_export_before), to compare two builds side by side.
void BM_ExportVersusLibjpegTurbo(benchmark::State& state) {
    const int32_t width = 1920;
    const int32_t height = 1080;
    MnbEncoder encoder(QUALITY);
    MovieWriter movie;
    std::vector<std::vector<uint8_t>> payloads;
    std::vector<std::vector<uint8_t>> jpegs;
    int32_t jpeg_quality = 0;
    for (int32_t i = 0; i < EXPORT_FRAMES; ++i) {
        const std::vector<uint8_t> rgb = dct_scene(width, height, 6 * i);
        payloads.push_back(encoder.encode(RgbPicture{width, height, rgb.data()}));
        movie.chunk(MNB_CHUNK_TAG, payloads.back());
        if (i == 0) {
            jpeg_quality = jpeg_matching_quality(rgb, width, height, payloads.back().size());
        }
        jpegs.push_back(jpeg_compress(rgb, width, height, jpeg_quality));
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qx_export_bench_" + std::to_string(getpid()));
    const std::filesystem::path outputs[] = {folder / "frames", folder / "before", folder / "jpeg"};
    auto empty_outputs = [&] {
        for (const std::filesystem::path& output : outputs) {
            std::filesystem::remove_all(output);
            std::filesystem::create_directories(output);
        }
    };
    empty_outputs();
    const std::string movie_path = (folder / "PANNING.MNB").string();
    if (!movie.save(movie_path)) {
        state.SkipWithError("cannot write the movie");
        return;
    }
    const char* before_program = std::getenv("QX_EXPORT_BEFORE");

    DctDecoder decoder;
    mnb_build_dequant_table(decoder.dequant_table, QUALITY);
    const size_t pixels = size_t(width) * size_t(height);
    std::vector<uint8_t> ours(pixels * 2);
    std::vector<uint8_t> rgb565(pixels * 2);
    const DctFrame frame{width, height, 2, ours.size()};
    bool written = true;
    auto jpeg_decode_and_write = [&] {
        for (size_t i = 0; i < jpegs.size(); ++i) {
            jpeg_decompress(jpegs[i], JCS_RGB565, 2, rgb565);
            char name[32];
            std::snprintf(name, sizeof name, "frame_%05zu.raw", i);
            std::string error;
            if (!write_export_file((outputs[2] / name).string(), rgb565.data(), rgb565.size(),
                                   error)) {
                written = false;
            }
        }
    };
    auto export_both = [&](ProgramTime& run, ProgramTime& before) {
        run = export_raw(QX_TOOL, movie_path, outputs[0].string());
        before = before_program ? export_raw(before_program, movie_path, outputs[1].string())
                                : ProgramTime{0, 0};
        return run.user >= 0 && before.user >= 0;
    };
    const bool over_old = state.range(0) != 0;
    ProgramTime run{};
    ProgramTime before{};
    if (over_old) {
        export_both(run, before);
        jpeg_decode_and_write();
    }
    ProgramTime total{0, 0};
    double before_seconds = 0;
    double decode_seconds = 0;
    double jpeg_seconds = 0;
    double jpeg_write_seconds = 0;
    for (auto _ : state) {
        if (!over_old) {
            empty_outputs();
        }
        if (!export_both(run, before)) {
            state.SkipWithError("qx export failed");
            break;
        }
        total.user += run.user;
        total.system += run.system;
        before_seconds += before.user + before.system;
        decode_seconds += seconds_of([&] {
            for (const std::vector<uint8_t>& payload : payloads) {
                mnb_decode_picture(decoder, rgb565_tables(), frame, payload.data() + 8,
                                   uint32_t(payload.size() - 8), ours.data());
            }
        });
        jpeg_seconds += seconds_of([&] {
            for (const std::vector<uint8_t>& jpeg : jpegs) {
                jpeg_decompress(jpeg, JCS_RGB565, 2, rgb565);
            }
        });
        jpeg_write_seconds += seconds_of(jpeg_decode_and_write);
        benchmark::DoNotOptimize(ours.data());
        benchmark::DoNotOptimize(rgb565.data());
    }
    std::filesystem::remove_all(folder);
    if (!written) {
        state.SkipWithError("cannot write libjpeg-turbo's frames");
        return;
    }
    const auto runs = double(state.iterations());
    const double export_seconds = total.user + total.system;
    auto ratio = [](double numerator, double denominator) {
        return denominator > 0 ? numerator / denominator : 0;
    };
    state.counters["export_s"] = export_seconds / runs;
    state.counters["export_user_s"] = total.user / runs;
    state.counters["export_sys_s"] = total.system / runs;
    state.counters["export_decode_s"] = decode_seconds / runs;
    state.counters["jpeg565_s"] = jpeg_seconds / runs;
    state.counters["jpeg565_write_s"] = jpeg_write_seconds / runs;
    state.counters["x_export"] = ratio(jpeg_seconds, export_seconds);
    state.counters["x_export_writing"] = ratio(jpeg_write_seconds, export_seconds);
    if (before_program != nullptr) {
        state.counters["before_s"] = before_seconds / runs;
        state.counters["x_export_before"] = ratio(jpeg_seconds, before_seconds);
    }
    state.counters["jpeg_quality"] = jpeg_quality;
}
BENCHMARK(BM_ExportVersusLibjpegTurbo)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("over_old")
    ->Iterations(5)
    ->Unit(benchmark::kSecond);

}  // namespace

}  // namespace qx

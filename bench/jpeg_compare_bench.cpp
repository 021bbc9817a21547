// Mnb and Zle intra decoding beside libjpeg-turbo decoding the same picture at matched bits per
// pixel, to 16-bit RGB565 (what our decoders write) and to 24-bit RGB. The three decoders take
// turns inside every iteration, each timed by its thread's processor time, so a busy machine
// slows them alike. The counters give each one's Mpixel/s and our speed as a multiple of
// libjpeg-turbo's (x_rgb565, x_rgb24: above 1 means we are faster). libjpeg-turbo runs its SIMD
// code; JSIMD_FORCENONE=1 in the environment times its plain C instead. For medians:
// --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <jpeglib.h>

#include "authoring/dct_scene.h"
#include "authoring/mnb_encoder.h"
#include "authoring/zle_encoder.h"
#include "bench/rgb565_tables.h"
#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"
#include "video/display_setup.h"

namespace {

constexpr int32_t QUALITY = 75;

std::vector<uint8_t> jpeg_compress(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                                   int32_t quality) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);  // 4:2:0, as Mnb and Zle
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(rgb.data()) + size_t(info.next_scanline) * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// The JPEG quality whose file size comes closest to `target_bytes`.
std::vector<uint8_t> jpeg_matching(const std::vector<uint8_t>& rgb, int32_t width, int32_t height,
                                   size_t target_bytes) {
    std::vector<uint8_t> best;
    for (int32_t quality = 5; quality <= 100; quality += 1) {
        std::vector<uint8_t> jpeg = jpeg_compress(rgb, width, height, quality);
        auto distance = [&](const std::vector<uint8_t>& v) {
            return v.size() > target_bytes ? v.size() - target_bytes : target_bytes - v.size();
        };
        if (best.empty() || distance(jpeg) < distance(best)) {
            best = std::move(jpeg);
        }
    }
    return best;
}

void jpeg_decompress(const std::vector<uint8_t>& jpeg, J_COLOR_SPACE space, int32_t pixel_bytes,
                     std::vector<uint8_t>& out) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), jpeg.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = space;
    info.dither_mode = JDITHER_NONE;
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * pixel_bytes;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + size_t(info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The processor time of this thread, which other programs on a shared machine do not inflate
// the way they inflate elapsed time.
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

}  // namespace

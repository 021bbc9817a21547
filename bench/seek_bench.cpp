// A seek decodes the frames before the one sought without showing them: the cost of landing
// on the last frame of a Zle movie whose only all-intra frame is the first, against playing
// the whole movie through (decoding and showing every frame), on the soft backend.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "authoring/movie_writer.h"
#include "authoring/zle_encoder.h"
#include "platform/kernel.h"
#include "platform/soft/soft_backend.h"
#include "player/display_params.h"
#include "player/player.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 320;
constexpr int32_t HEIGHT = 240;
constexpr int32_t FRAMES = 60;

// A bright bar sweeping over a gradient: most macroblocks are copied from the picture before.
MovieWriter zle_movie() {
    MovieWriter writer;
    ZleEncoder encoder(ZleEncoderOptions{});
    std::vector<uint8_t> rgb(size_t{WIDTH} * HEIGHT * 3);
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        for (int32_t y = 0; y < HEIGHT; ++y) {
            for (int32_t x = 0; x < WIDTH; ++x) {
                uint8_t* pixel = &rgb[(size_t{static_cast<uint32_t>(y)} * WIDTH + x) * 3];
                const bool bar = x / 16 == frame % (WIDTH / 16);
                pixel[0] = bar ? 250 : static_cast<uint8_t>(x);
                pixel[1] = bar ? 250 : static_cast<uint8_t>(y);
                pixel[2] = 90;
            }
        }
        writer.chunk(ZLE_CHUNK_TAG, encoder.encode(RgbPicture{WIDTH, HEIGHT, rgb.data()}));
    }
    return writer;
}

// The movie's file, for the benchmarks' run.
class TempMovieFile {
  public:
    TempMovieFile() : path_("/tmp/qx_seek_bench_" + std::to_string(getpid()) + ".zle") {
        zle_movie().save(path_);
    }
    ~TempMovieFile() { std::remove(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

  private:
    std::string path_;
};

const char* movie_path() {
    static const TempMovieFile file;
    return file.path();
}

struct AppBuffers {
    std::vector<uint8_t> draw = std::vector<uint8_t>(size_t{WIDTH} * HEIGHT * 2);
    std::vector<uint8_t> reference = std::vector<uint8_t>(draw.size());
    PlayParams params{};

    explicit AppBuffers(uint32_t flags) {
        params.flags = flags | PLAY_APP_BUFFERS;
        set_display_pixel_format(params,
                                 PixelFormat{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F});
        params.draw_buffer = draw.data();
        params.reference_buffer = reference.data();
        params.buffer_bytes = static_cast<uint32_t>(draw.size());
        params.brightness = 100;
    }
};

// The whole movie decoded and shown, without sound to pace it.
void BM_PlayZleMovieThrough(benchmark::State& state) {
    ScopedSoftBackend backend;
    movie_path();
    for (auto _ : state) {
        AppBuffers buffers(0);
        player_start(movie_path(), nullptr, buffers.params);
        benchmark::DoNotOptimize(buffers.params.frames_shown);
    }
}
BENCHMARK(BM_PlayZleMovieThrough)->Unit(benchmark::kMillisecond)->UseRealTime();

// The last frame sought from the first, paused: every frame before it decoded unseen. A paused
// player takes a seek at its next turn, up to 10 ms later: the real time counts that wait.
void BM_SeekToLastZleFrame(benchmark::State& state) {
    ScopedSoftBackend backend;
    AppBuffers buffers(PLAY_THREAD | PLAY_HOLD_AT_END);
    PlayParams& params = buffers.params;
    player_start(movie_path(), nullptr, params);
    while (interlocked_load(params.held_at_end) == 0) {
        sleep_ms(1);
    }
    for (auto _ : state) {
        state.PauseTiming();
        player_seek(params, 0);
        state.ResumeTiming();
        player_seek(params, FRAMES - 1);
    }
    player_stop(params);
}
BENCHMARK(BM_SeekToLastZleFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

}  // namespace qx

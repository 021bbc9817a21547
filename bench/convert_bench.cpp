// Speed of `qx convert` as a program of its own, at its default quality: the demo movie
// (320 x 240, 16 s) alone, four copies of it into a folder (--jobs at its default, every core),
// and a 1080p movie (2 s at 15 frames a second, Mnb with a silent track). realtime_x is the
// movie time converted per second of wall-clock time; the targets are 10 at 320 x 240 and 1 at
// 1080p on a two-core machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/dct_scene.h"
#include "bench/program_time.h"
#include "tools/qx/export_y4m.h"

namespace qx {

namespace {

constexpr double DEMO_SECONDS = 16;
constexpr int32_t FULL_HD_FRAMES = 30;
constexpr double FULL_HD_SECONDS = FULL_HD_FRAMES / 15.0;

// The movies, made once in a folder of their own that goes when the benchmarks end.
class BenchMovies {
  public:
    BenchMovies()
        : folder_(std::filesystem::temp_directory_path() /
                  ("qx_convert_bench_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder_);
        made_ = program_time({QX_TOOL, "encode", "--demo", demo()}).user >= 0 && make_full_hd();
        for (int i = 1; made_ && i < 4; ++i) {
            std::filesystem::copy_file(demo(), copy(i));
        }
    }
    ~BenchMovies() { std::filesystem::remove_all(folder_); }
    BenchMovies(const BenchMovies&) = delete;
    BenchMovies& operator=(const BenchMovies&) = delete;

    bool made() const { return made_; }
    std::string demo() const { return (folder_ / "demo.mnb").string(); }
    std::string copy(int i) const {
        return (folder_ / ("demo" + std::to_string(i) + ".mnb")).string();
    }
    std::string full_hd() const { return (folder_ / "full_hd.mnb").string(); }
    std::string out(const std::string& name) const { return (folder_ / name).string(); }

  private:
    // A slow pan over the photograph-like scene, through a YUV4MPEG2 stream into `qx encode`.
    bool make_full_hd() const {
        const std::string clip = (folder_ / "full_hd.y4m").string();
        std::FILE* file = std::fopen(clip.c_str(), "wb");
        if (file == nullptr) {
            return false;
        }
        bool written = write_y4m_header(file, 1920, 1080, 15, true);
        for (int32_t f = 0; f < FULL_HD_FRAMES; ++f) {
            RgbImage picture{1920, 1080, dct_scene(1920, 1080, 4 * f, f)};
            PlanarPicture planes;
            rgb_to_ycbcr(picture, true, planes);
            written = written && write_y4m_frame(file, planes);
        }
        written = std::fclose(file) == 0 && written;
        return written &&
               program_time({QX_TOOL, "encode", full_hd(), "-i", clip, "--fps", "15"}).user >= 0;
    }

    std::filesystem::path folder_;
    bool made_ = false;
};

const BenchMovies& movies() {
    static const BenchMovies made;
    return made;
}

void convert(benchmark::State& state, std::vector<std::string> arguments, double movie_seconds) {
    if (!movies().made()) {
        state.SkipWithError("the movies to convert could not be made");
        return;
    }
    arguments.insert(arguments.begin(), {QX_TOOL, "convert"});
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (program_time(arguments).user < 0) {
            state.SkipWithError("qx convert failed");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["realtime_x"] =
        benchmark::Counter(movie_seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ConvertDemo(benchmark::State& state) {
    convert(state, {movies().demo(), "-o", movies().out("demo.webm")}, DEMO_SECONDS);
}

void BM_ConvertFolderOfFour(benchmark::State& state) {
    convert(state,
            {movies().demo(), movies().copy(1), movies().copy(2), movies().copy(3), "-o",
             movies().out("folder")},
            4 * DEMO_SECONDS);
}

void BM_ConvertFullHd(benchmark::State& state) {
    convert(state, {movies().full_hd(), "-o", movies().out("full_hd.webm")}, FULL_HD_SECONDS);
}

BENCHMARK(BM_ConvertDemo)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertFolderOfFour)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertFullHd)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace qx

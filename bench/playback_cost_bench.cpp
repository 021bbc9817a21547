// What playing a movie costs the machine: `qx play` of the demo movie (16 s) as a program of its
// own, headless (window 0) or in a window without sound (window 1, needs a display such as
// Xvfb's), timed by the processor time it spends, user and system. core_percent is that time
// as a share of one core over the movie's playing time (the targets: 1% headless, 3% in a
// window). QX_PLAY_BEFORE=/path/to/another/qx plays the same movie with that program in the
// same turns (before_percent), to compare two builds side by side. Each run lasts the movie:
// use --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/program_time.h"

namespace qx {

namespace {

// The demo movie, made once by `qx encode --demo` and removed when the benchmarks end; empty
// when it cannot be made.
class DemoMovie {
  public:
    DemoMovie()
        : path_((std::filesystem::temp_directory_path() /
                 ("qx_playback_bench_" + std::to_string(getpid()) + ".MNB"))
                    .string()) {
        if (program_time({QX_TOOL, "encode", "--demo", path_}).user < 0) {
            path_.clear();
        }
    }
    ~DemoMovie() {
        if (!path_.empty()) {
            std::filesystem::remove(path_);
        }
    }
    DemoMovie(const DemoMovie&) = delete;
    DemoMovie& operator=(const DemoMovie&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

const std::string& demo_movie() {
    static const DemoMovie movie;
    return movie.path();
}

std::vector<std::string> play_command(const std::string& program, bool window) {
    return {program, "play", window ? "--no-sound" : "--headless", demo_movie()};
}

void BM_PlaybackCost(benchmark::State& state) {
    const bool window = state.range(0) != 0;
    if (window && std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("no display to open a window on");
        return;
    }
    if (demo_movie().empty()) {
        state.SkipWithError("cannot make the demo movie");
        return;
    }
    const char* before_program = std::getenv("QX_PLAY_BEFORE");
    double cpu_seconds = 0;
    double user_seconds = 0;
    double before_seconds = 0;
    double playing_seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const ProgramTime run = program_time(play_command(QX_TOOL, window));
        playing_seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const ProgramTime before =
            before_program ? program_time(play_command(before_program, window)) : ProgramTime{0, 0};
        if (run.user < 0 || before.user < 0) {
            state.SkipWithError("qx play failed");
            break;
        }
        cpu_seconds += run.user + run.system;
        user_seconds += run.user;
        before_seconds += before.user + before.system;
    }
    const auto runs = double(state.iterations());
    if (runs == 0 || playing_seconds <= 0) {
        return;
    }
    state.counters["cpu_s"] = cpu_seconds / runs;
    state.counters["user_s"] = user_seconds / runs;
    state.counters["playing_s"] = playing_seconds / runs;
    state.counters["core_percent"] = 100 * cpu_seconds / playing_seconds;
    if (before_program != nullptr) {
        state.counters["before_percent"] = 100 * before_seconds / playing_seconds;
    }
}
BENCHMARK(BM_PlaybackCost)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("window")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

}  // namespace qx

// Movies built to exhaust the tools: `qx info`, `qx export` and `qx play --headless` must each
// end in bounded time and memory with a clean result, whatever the file holds or does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "player/reader_rings.h"
#include "tests/support/measured_run.h"
#include "tests/support/movie_builders.h"
#include "tests/support/temp_movie.h"

namespace qx {

namespace {

using namespace std::chrono_literals;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Shadow memory and the freed-block quarantine come on top of what the program holds.
constexpr long PEAK_RSS_BOUND_KB = 640 * 1024;
#else
// The program with its libraries, arenas and buffers, independent of the movie's size.
constexpr long PEAK_RSS_BOUND_KB = 64 * 1024;
#endif
constexpr auto RUN_LIMIT = 120s;
constexpr int64_t TWO_GIGABYTES = int64_t{1} << 31;

std::string qx() {
    return std::string(QX_BINARY_DIR) + "/qx";
}

// What a run must show whatever the movie: it ended by itself, within the memory bound, with
// one of the expected exit statuses.
void expect_bounded(const MeasuredRun& run, const std::string& what) {
    EXPECT_FALSE(run.timed_out) << what << " did not end";
    EXPECT_LE(run.peak_rss_kb, PEAK_RSS_BOUND_KB) << what << " held too much memory";
    EXPECT_TRUE(run.status == 0 || run.status == 1) << what << " exit " << run.status << "\n"
                                                    << run.err;
}

// The three commands on one movie, each bounded; returns the summary line of the play.
std::string run_every_command(const std::string& path, const std::string& folder) {
    expect_bounded(run_measured(qx() + " info " + path, RUN_LIMIT), "info");
    expect_bounded(run_measured(qx() + " info --json " + path, RUN_LIMIT), "info --json");
    expect_bounded(run_measured(qx() + " export " + path + " " + folder + "/out", RUN_LIMIT),
                   "export");
    const MeasuredRun play = run_measured(qx() + " play --headless --fps 1000 " + path, RUN_LIMIT);
    expect_bounded(play, "play");
    return play.out;
}

// Two gigabytes of dropped chunks, each a header followed by a hole, after a few frames: the
// file takes a few megabytes of disk. The reader steps over each body without reading it.
TEST(ResourceLimits, TwoGigabytesOfChunkHeadersAfterTheFrames) {
    TempMovie movie(audio_video_movie(10));
    const int descriptor = open(movie.path().c_str(), O_WRONLY);
    ASSERT_GE(descriptor, 0);
    constexpr uint32_t CHUNK_BYTES = 1 << 20;
    int64_t offset = lseek(descriptor, 0, SEEK_END);
    for (; offset + CHUNK_BYTES <= TWO_GIGABYTES; offset += CHUNK_BYTES) {
        const uint8_t header[8] = {'S', 'C', 'C', 'l', 0, 0, CHUNK_BYTES >> 16 & 0xFF, 0};
        ASSERT_EQ(pwrite(descriptor, header, sizeof header, offset), 8);
    }
    ASSERT_EQ(ftruncate(descriptor, TWO_GIGABYTES), 0);
    close(descriptor);
    EXPECT_NE(run_every_command(movie.path(), movie.folder()).find("10 frames shown"),
              std::string::npos);
}

// A million chunk headers with nothing in between: the scans keep counts, not a record of
// every chunk.
TEST(ResourceLimits, AMillionEmptyChunksAfterTheFrames) {
    MovieWriter writer = audio_video_movie(10);
    for (int i = 0; i < 1000000; ++i) {
        writer.chunk("SCCl", {});
    }
    TempMovie movie(writer);
    EXPECT_NE(run_every_command(movie.path(), movie.folder()).find("10 frames shown"),
              std::string::npos);
}

// A size no chunk can have, declared by a video chunk between good ones: nothing is read for the
// four gigabytes it announces, and qx play shows what comes before and, finding the chunks
// again, what comes after.
TEST(ResourceLimits, ChunkSizeOfFourGigabytes) {
    MovieWriter writer = video_only_movie(5);
    writer.chunk_with_size("pBNM", video_payload(64), 0xFFFFFFF8);
    const MovieWriter rest = video_only_movie(5);
    writer.raw(rest.bytes());
    TempMovie movie(writer);
    const std::string played = run_every_command(movie.path(), movie.folder());
    EXPECT_NE(played.find("10 frames shown"), std::string::npos) << played;
    const MeasuredRun info = run_measured(qx() + " info " + movie.path(), RUN_LIMIT);
    EXPECT_NE(info.out.find("4,294,967,288"), std::string::npos) << info.out;
}

// A body that fills the video arena to its last byte is stored at the arena's start and
// shown; one byte more can never be stored and is stepped over.
TEST(ResourceLimits, VideoBodiesOfTheArenaSizeAndOneMore) {
    MovieWriter writer = video_only_movie(2);
    writer.chunk("pBNM", video_payload(VIDEO_ARENA_BYTES, 640, 480));
    writer.chunk("pBNM", video_payload(VIDEO_ARENA_BYTES + 1, 640, 480));
    const MovieWriter rest = video_only_movie(2);
    writer.raw(rest.bytes());
    TempMovie movie(writer);
    const std::string played = run_every_command(movie.path(), movie.folder());
    EXPECT_NE(played.find("5 frames shown"), std::string::npos) << played;
}

TEST(ResourceLimits, TenThousandAudioHeaders) {
    MovieWriter writer;
    for (int i = 0; i < 10000; ++i) {
        writer.audio_header(1, 22050, 0);
    }
    const MovieWriter rest = audio_video_movie(10);
    writer.raw(rest.bytes());
    TempMovie movie(writer);
    const std::string played = run_every_command(movie.path(), movie.folder());
    EXPECT_NE(played.find("10 frames shown"), std::string::npos) << played;
}

// Another program appends to the movie while each command reads it, cutting chunks in two at
// times: each must end once the writing stops, with what it found.
TEST(ResourceLimits, AFileThatGrowsWhileItIsRead) {
    TempMovie movie(audio_video_movie(5));
    const MovieWriter more = audio_video_movie(5);
    const std::vector<uint8_t>& bytes = more.bytes();
    for (const std::string command : {"info", "export", "play --headless --fps 1000"}) {
        std::atomic<bool> writing{true};
        std::thread writer([&] {
            const int descriptor = open(movie.path().c_str(), O_WRONLY | O_APPEND);
            for (int round = 0; round < 20; ++round) {
                for (size_t at = 0; at < bytes.size(); at += 1000) {
                    const size_t piece = std::min<size_t>(1000, bytes.size() - at);
                    EXPECT_EQ(write(descriptor, bytes.data() + at, piece),
                              static_cast<ssize_t>(piece));
                }
                std::this_thread::sleep_for(20ms);
            }
            close(descriptor);
            writing = false;
        });
        const std::string output =
            command == "export" ? " " + movie.folder() + "/out-growing" : std::string();
        expect_bounded(run_measured(qx() + " " + command + " " + movie.path() + output, RUN_LIMIT),
                       command);
        writer.join();
        EXPECT_FALSE(writing);
    }
}

// A movie is read by seeking in it, so a pipe is refused in one line; standard input
// redirected from a file is read as that file.
TEST(ResourceLimits, StandardInputAsAPipeOrAsAFile) {
    TempMovie movie(video_only_movie(8));
    for (const std::string command : {"info", "export", "play --headless --fps 1000"}) {
        const std::string output = command == "export" ? " " + movie.folder() + "/out" : "";
        const MeasuredRun piped = run_measured(
            "sh -c 'cat " + movie.path() + " | " + qx() + " " + command + " -" + output + "'",
            RUN_LIMIT);
        EXPECT_EQ(piped.status, 1) << command;
        EXPECT_EQ(piped.err.find('\n'), piped.err.size() - 1) << piped.err;
        EXPECT_NE(piped.err.find("pipe"), std::string::npos) << piped.err;
        const MeasuredRun redirected =
            run_measured(qx() + " " + command + " -" + output + " < " + movie.path(), RUN_LIMIT);
        expect_bounded(redirected, command + " from standard input");
        EXPECT_EQ(redirected.status, 0) << redirected.err;
    }
}

}  // namespace

}  // namespace qx

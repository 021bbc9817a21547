#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "player/reader.h"
#include "tests/support/movie_builders.h"
#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tools/qx/movie_info.h"

namespace qx {

namespace {

TEST(InfoTool, ListsChunksFormatAndCounts) {
    MovieWriter writer;
    writer.audio_header(2, 44100, 10);
    writer.chunk("kDKR", video_payload(40, 320, 240));
    writer.chunk("SCDl", std::vector<uint8_t>(100, 0x77));
    writer.chunk("fDKR", video_payload(40));
    writer.chunk("pBNM", video_payload(40));
    writer.chunk("SCCl", {});
    writer.chunk("SCEl", {});
    TempMovie movie(writer);
    MovieInfo info;
    std::string error;
    ASSERT_TRUE(read_movie_info(movie.path(), info, error)) << error;
    EXPECT_TRUE(info.has_audio);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sample_rate, 44100);
    EXPECT_EQ(info.compression, 10);
    EXPECT_EQ(info.video_kinds[VIDEO_RKD_KEY], 1);
    EXPECT_EQ(info.video_kinds[VIDEO_RKD_INTER], 1);
    EXPECT_EQ(info.video_kinds[VIDEO_MNB], 1);
    EXPECT_EQ(info.audio_chunks, 1);
    EXPECT_EQ(info.frame_width, 320);
    EXPECT_EQ(info.frame_height, 240);
    ASSERT_EQ(info.chunks.size(), 7u);
    EXPECT_EQ(info.chunks[1].offset, info.chunks[0].size);
    EXPECT_EQ(info.chunks[6].tag, "SCEl");
    EXPECT_TRUE(info.problems.empty());

    const ProgramOutput text = run_qx("info " + movie.path());
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("44,100 Hz"), std::string::npos) << text.out;
    const ProgramOutput json = run_qx("info --json --chunks " + movie.path());
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"rkd_key\": 1"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"tag\": \"kDKR\""), std::string::npos);
}

TEST(InfoTool, NamesMalformedChunks) {
    MovieWriter unknown;
    unknown.chunk("pBNM", video_payload(16));
    unknown.chunk("ZZZZ", {});
    MovieWriter truncated;
    truncated.chunk("pBNM", video_payload(16));
    truncated.chunk_with_size("pELZ", video_payload(8), 5000);
    const struct {
        const MovieWriter& writer;
        const char* problem;
    } cases[] = {{unknown, "unrecognised tag"}, {truncated, "runs past the end"}};
    for (const auto& c : cases) {
        TempMovie movie(c.writer);
        MovieInfo info;
        std::string error;
        ASSERT_TRUE(read_movie_info(movie.path(), info, error)) << error;
        ASSERT_EQ(info.problems.size(), 1u);
        const std::string& text = info.problems[0].text;
        EXPECT_NE(text.find(c.problem), std::string::npos) << text;
        EXPECT_NE(text.find("at 24"), std::string::npos) << text;
        EXPECT_EQ(info.problems[0].offset, 24);
    }
}

TEST(InfoTool, BadFilesGiveOneLineAndStatusOne) {
    TempFolder folder;
    const std::string missing = folder.path() + "/missing.qx";
    TempMovie empty(std::vector<uint8_t>{});
    TempMovie text(std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    for (const std::string& path : {missing, folder.path(), empty.path(), text.path()}) {
        const ProgramOutput result = run_qx("info " + path);
        EXPECT_EQ(result.status, 1) << path;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

TEST(InfoTool, RandomBytesNeverCrash) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<uint8_t> bytes(random() % 4000);
        for (uint8_t& byte : bytes) {
            byte = static_cast<uint8_t>(random());
        }
        if (round % 2 == 0 && bytes.size() > 8) {
            std::copy_n("pBNM", 4, bytes.begin());
        }
        TempMovie movie(bytes);
        MovieInfo info;
        std::string error;
        read_movie_info(movie.path(), info, error);
    }
}

}  // namespace

}  // namespace qx

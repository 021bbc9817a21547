#include "tests/audio/audio_test_movie.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/kernel.h"
#include "player/player_stream.h"
#include "player/reader.h"

namespace qx {

std::string audio_test_path(const std::string& name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string unique =
        test != nullptr ? std::string(test->test_suite_name()) + "_" + test->name() : "audio";
    return (std::filesystem::temp_directory_path() / ("qx_" + unique + "_" + name)).string();
}

OpenedMovie::OpenedMovie(const MovieWriter& movie) {
    open(movie.bytes());
}

OpenedMovie::OpenedMovie(const MovieWriter& movie, size_t keep_bytes) {
    const std::vector<uint8_t>& bytes = movie.bytes();
    open(std::vector<uint8_t>(bytes.begin(),
                              bytes.begin() + static_cast<std::ptrdiff_t>(keep_bytes)));
}

void OpenedMovie::open(const std::vector<uint8_t>& bytes) {
    path_ = audio_test_path("movie.qx");
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
    std::fclose(out);
    context_ = player_open_stream(path_.c_str(), nullptr, params_);
    ASSERT_NE(context_, nullptr);
}

OpenedMovie::~OpenedMovie() {
    if (context_ != nullptr) {
        player_close_stream(context_);
    }
    std::error_code error;
    std::filesystem::remove(path_, error);
}

int32_t OpenedMovie::read_until(int32_t result) {
    for (;;) {
        const int32_t got = read_chunk(*context_);
        if (got == result || got == READ_END) {
            return got;
        }
    }
}

void OpenedMovie::consume_audio() {
    release_audio_slot(*context_);
}

std::vector<int16_t> block_samples(const AudioBlockSlot& slot) {
    std::vector<int16_t> samples(static_cast<size_t>(slot.bytes) / 2);
    if (!samples.empty()) {
        std::memcpy(samples.data(), slot.data, static_cast<size_t>(slot.bytes));
    }
    return samples;
}

}  // namespace qx

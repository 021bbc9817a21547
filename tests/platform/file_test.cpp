#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/file.h"
#include "platform/open_files.h"

namespace qx {

namespace {

// A file of `bytes` bytes, byte i being i * 31 + i / 256 (so that no two buffers look alike).
class PlatformFileTest : public ::testing::Test {
  protected:
    static constexpr int32_t FILE_BYTES = 20000;

    void SetUp() override {
        platform_faults_reset();
        path_ = std::filesystem::temp_directory_path() /
                ("qx_platform_file_" + std::to_string(getpid()) + ".bin");
        expected_.resize(FILE_BYTES);
        for (int32_t i = 0; i < FILE_BYTES; ++i) {
            expected_[i] = static_cast<char>(i * 31 + i / 256);
        }
        std::ofstream(path_, std::ios::binary).write(expected_.data(), FILE_BYTES);
        file_ = file_open(path_.c_str(), 0);
        ASSERT_NE(file_, nullptr);
    }

    void TearDown() override {
        if (file_ != nullptr) {
            file_close(file_, 0);
        }
        std::filesystem::remove(path_);
        platform_faults_reset();
    }

    // Reads `bytes` and checks them against the file's content at `offset`.
    void expect_read(int32_t offset, int32_t bytes) {
        std::vector<char> got(static_cast<size_t>(bytes));
        const int32_t expected_count = std::min(bytes, FILE_BYTES - offset);
        ASSERT_EQ(file_read(file_, got.data(), bytes), expected_count) << "at " << offset;
        for (int32_t i = 0; i < expected_count; ++i) {
            ASSERT_EQ(got[i], expected_[offset + i]) << "byte " << offset + i;
        }
    }

    std::filesystem::path path_;
    std::vector<char> expected_;
    MovieFile* file_ = nullptr;
};

TEST_F(PlatformFileTest, ReadsAcrossBufferBoundariesGiveTheFile) {
    ASSERT_EQ(file_set_buffer(file_, nullptr, FILE_DEFAULT_BUFFER_BYTES, 0), 0);
    int32_t offset = 0;
    for (int32_t bytes : {8, 1000, 7184, 1, 8191, 3, 2000, 16}) {
        expect_read(offset, bytes);
        offset += bytes;
    }
    expect_read(offset, FILE_BYTES - offset);
    char byte = 0;
    EXPECT_EQ(file_read(file_, &byte, 1), 0);
    EXPECT_EQ(file_read(file_, &byte, 1), 0);
}

TEST_F(PlatformFileTest, ReadAtTheEndGivesWhatIsLeftThenZero) {
    ASSERT_EQ(file_set_buffer(file_, nullptr, FILE_DEFAULT_BUFFER_BYTES, 0), 0);
    ASSERT_EQ(file_seek(file_, FILE_BYTES - 10, FILE_SEEK_SET), FILE_BYTES - 10);
    expect_read(FILE_BYTES - 10, 100);
    std::vector<char> more(100);
    EXPECT_EQ(file_read(file_, more.data(), 100), 0);
}

TEST_F(PlatformFileTest, UnbufferedAndApplicationBufferedReadsAgree) {
    expect_read(0, 5000);
    expect_read(5000, 5);
    std::vector<char> own(64);
    ASSERT_EQ(file_set_buffer(file_, own.data(), static_cast<int32_t>(own.size()), 0), 0);
    expect_read(5005, 100);
    expect_read(5105, 30);
}

TEST_F(PlatformFileTest, SeekMovesThePositionFromEachOrigin) {
    ASSERT_EQ(file_set_buffer(file_, nullptr, FILE_DEFAULT_BUFFER_BYTES, 0), 0);
    expect_read(0, 100);
    EXPECT_EQ(file_seek(file_, 50, FILE_SEEK_CUR), 150);
    expect_read(150, 20);
    EXPECT_EQ(file_seek(file_, -30, FILE_SEEK_CUR), 140);
    expect_read(140, 10);
    EXPECT_EQ(file_seek(file_, -16, FILE_SEEK_END), FILE_BYTES - 16);
    expect_read(FILE_BYTES - 16, 16);
    EXPECT_EQ(file_seek(file_, 12345, FILE_SEEK_SET), 12345);
    expect_read(12345, 10);
    EXPECT_EQ(file_seek(file_, -1, FILE_SEEK_SET), -1);
    EXPECT_EQ(file_seek(file_, 0, 7), -1);
    EXPECT_EQ(file_seek(file_, 0, FILE_SEEK_CUR), 12355);
    // Beyond the end is a position like any other; reading there finds the end.
    EXPECT_EQ(file_seek(file_, FILE_BYTES + 100, FILE_SEEK_SET), FILE_BYTES + 100);
    char byte = 0;
    EXPECT_EQ(file_read(file_, &byte, 1), 0);
}

TEST_F(PlatformFileTest, InjectedErrorHitsReadsThatTouchItsOffset) {
    ASSERT_EQ(file_set_buffer(file_, nullptr, FILE_DEFAULT_BUFFER_BYTES, 0), 0);
    platform_faults().file_read_error_at = 10000;
    expect_read(0, 9990);
    std::vector<char> got(20);
    EXPECT_EQ(file_read(file_, got.data(), 20), -1);
    // The failed read moved nothing: the bytes before the offset are still there to read.
    expect_read(9990, 10);
    EXPECT_EQ(file_read(file_, got.data(), 1), -1);
    EXPECT_EQ(file_seek(file_, 100, FILE_SEEK_SET), 100);
    expect_read(100, 50);
    platform_faults().file_read_error_at = -1;
    EXPECT_EQ(file_seek(file_, 10000, FILE_SEEK_SET), 10000);
    expect_read(10000, 10);
}

TEST_F(PlatformFileTest, BadArgumentsAnswerMinusOne) {
    char byte = 0;
    EXPECT_EQ(file_read(nullptr, &byte, 1), -1);
    EXPECT_EQ(file_read(file_, nullptr, 1), -1);
    EXPECT_EQ(file_read(file_, &byte, -1), -1);
    EXPECT_EQ(file_read(file_, &byte, 0), 0);
    EXPECT_EQ(file_set_buffer(nullptr, nullptr, 8192, 0), -1);
    EXPECT_EQ(file_set_buffer(file_, nullptr, -1, 0), -1);
    EXPECT_EQ(file_seek(nullptr, 0, FILE_SEEK_SET), -1);
    EXPECT_EQ(file_close(nullptr, 0), -1);
}

TEST_F(PlatformFileTest, OpenFailuresGiveNullAndCountNothing) {
    const int32_t open_before = file_open_count();
    EXPECT_EQ(file_open("/nonexistent/qx/movie.mnb", 0), nullptr);
    EXPECT_EQ(file_open(nullptr, 0), nullptr);
    EXPECT_EQ(file_open(std::filesystem::temp_directory_path().c_str(), 0), nullptr);
    platform_faults().file_open_fails = true;
    EXPECT_EQ(file_open(path_.c_str(), 0), nullptr);
    platform_faults().file_open_fails = false;
    platform_faults().file_set_buffer_fails = true;
    EXPECT_EQ(file_set_buffer(file_, nullptr, FILE_DEFAULT_BUFFER_BYTES, 0), -1);
    EXPECT_EQ(file_open_count(), open_before);
}

TEST_F(PlatformFileTest, OpenCountFollowsOpenAndClose) {
    const int32_t open_before = file_open_count();
    MovieFile* second = file_open(path_.c_str(), 0);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(file_open_count(), open_before + 1);
    EXPECT_EQ(file_close(second, 0), 0);
    EXPECT_EQ(file_open_count(), open_before);
}

}  // namespace

}  // namespace qx

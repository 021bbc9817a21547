#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/qx/export_buffer.h"
#include "tools/qx/export_file.h"

namespace {

namespace fs = std::filesystem;

TEST(ExportBuffer, GrowingKeepsTheBytesAndAddsZeros) {
    ExportBuffer buffer;
    EXPECT_EQ(buffer.data(), nullptr);
    ASSERT_TRUE(buffer.grow(100));
    ASSERT_EQ(buffer.size(), 100u);
    for (size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(buffer.data()[i], 0) << i;
        buffer.data()[i] = static_cast<uint8_t>(i + 1);
    }
    // Past the first large page, so the mapping itself has to grow (and may move).
    const size_t large = (size_t{5} << 20) + 3;
    ASSERT_TRUE(buffer.grow(large));
    ASSERT_EQ(buffer.size(), large);
    for (size_t i = 0; i < 100; ++i) {
        ASSERT_EQ(buffer.data()[i], i + 1) << i;
    }
    for (size_t i = 100; i < large; ++i) {
        ASSERT_EQ(buffer.data()[i], 0) << i;
    }
    ASSERT_TRUE(buffer.grow(10));
    EXPECT_EQ(buffer.size(), large) << "a buffer never shrinks";
}

class ExportFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("qx_export_file_" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static bool write(const fs::path& path, const std::string& text, std::string& error) {
        return write_export_file(path.string(), reinterpret_cast<const uint8_t*>(text.data()),
                                 text.size(), error);
    }

    fs::path folder_;
};

TEST_F(ExportFile, AnOldFileIsWrittenOverAndCutToTheNewLength) {
    const fs::path path = folder_ / "frame.raw";
    std::string error;
    ASSERT_TRUE(write(path, "a much longer first picture", error)) << error;
    ASSERT_TRUE(write(path, "short", error)) << error;
    EXPECT_EQ(read(path), "short");
    ASSERT_TRUE(write(path, "", error)) << error;
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_TRUE(error.empty());
}

TEST_F(ExportFile, AFileThatCannotBeMadeIsNamed) {
    const fs::path path = folder_ / "missing" / "frame.raw";
    std::string error;
    EXPECT_FALSE(write(path, "picture", error));
    EXPECT_EQ(error, path.string() + ": cannot be created (No such file or directory)");
}

}  // namespace

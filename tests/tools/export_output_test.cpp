#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/qx/export_file.h"

namespace qx {

namespace {

namespace fs = std::filesystem;

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

}  // namespace qx

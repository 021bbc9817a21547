#include <gtest/gtest.h>
#include <png.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "authoring/dct_scene.h"
#include "authoring/mnb_encoder.h"
#include "authoring/movie_writer.h"
#include "tests/video/video_rig.h"
#include "tools/qx/commands.h"
#include "tools/qx/picture_rgb.h"

namespace qx {

namespace {

namespace fs = std::filesystem;

class ExportPictures : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("qx_export_pictures_" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        movie_ = (folder_ / "movie.qx").string();
        out_ = (folder_ / "out").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    int run(std::vector<std::string> options) {
        CLI::App app;
        int status = -1;
        add_export_command(app, status);
        std::vector<std::string> words = {"qx", "export", movie_, out_};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        app.parse(static_cast<int>(argv.size()), argv.data());
        return status;
    }

    std::string read_text(const std::string& name) {
        std::ifstream in(fs::path(out_) / name);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path folder_;
    std::string movie_;
    std::string out_;
};

void png_size(const fs::path& path, uint32_t& width, uint32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    width = image.width;
    height = image.height;
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_COLOR, PNG_FORMAT_FLAG_COLOR);
    png_image_free(&image);
}

TEST_F(ExportPictures, RawFramesAndTheirListInFileOrder) {
    MovieWriter movie;
    movie.chunk("pBNM", dct_payload(32, 16));
    movie.chunk("pELZ", dct_payload(48, 32));
    movie.chunk("pBNM", dct_payload(16, 16));
    ASSERT_TRUE(movie.save(movie_));
    ASSERT_EQ(run({"--raw", "--double-width"}), 0);
    EXPECT_EQ(fs::file_size(fs::path(out_) / "frame_00000.raw"), 32u * 16 * 4);
    EXPECT_EQ(fs::file_size(fs::path(out_) / "frame_00001.raw"), 48u * 32 * 4);
    EXPECT_EQ(fs::file_size(fs::path(out_) / "frame_00002.raw"), 16u * 16 * 4);
    EXPECT_FALSE(fs::exists(fs::path(out_) / "frame_00000.png"));
    EXPECT_EQ(read_text("frames.json"),
              "[\n"
              "  {\"index\": 0, \"kind\": 3, \"width\": 32, \"height\": 16, \"bytes\": 2048},\n"
              "  {\"index\": 1, \"kind\": 4, \"width\": 48, \"height\": 32, \"bytes\": 6144},\n"
              "  {\"index\": 2, \"kind\": 3, \"width\": 16, \"height\": 16, \"bytes\": 1024}\n"
              "]\n");
}

// Frames are written over the files of an earlier export in place; each must end up exactly
// as a first export into an empty folder leaves it, whatever was longer before.
TEST_F(ExportPictures, ExportingAgainIntoTheSameFolderLeavesNoOldBytes) {
    auto mnb_movie = [](int32_t width, int32_t height, int32_t frames) {
        MovieWriter movie;
        for (int32_t i = 0; i < frames; ++i) {
            const std::vector<uint8_t> rgb = dct_scene(width, height, 5 * i);
            movie.chunk("pBNM", MnbEncoder(60).encode(RgbPicture{width, height, rgb.data()}));
        }
        return movie;
    };
    ASSERT_TRUE(mnb_movie(64, 48, 3).save(movie_));
    ASSERT_EQ(run({"--raw"}), 0);
    ASSERT_TRUE(mnb_movie(32, 16, 2).save(movie_));
    ASSERT_EQ(run({"--raw"}), 0);
    const std::string again = out_;
    out_ = (folder_ / "fresh").string();
    ASSERT_EQ(run({"--raw"}), 0);
    for (const char* name : {"frame_00000.raw", "frame_00001.raw", "frames.json"}) {
        const std::string fresh = read_text(name);
        EXPECT_FALSE(fresh.empty()) << name;
        out_ = again;
        EXPECT_EQ(read_text(name), fresh) << name;
        out_ = (folder_ / "fresh").string();
    }
}

// A shorter export into the folder of a longer one leaves none of the longer one's files: a
// folder holds one export. Files of other names stay.
TEST_F(ExportPictures, ExportingAgainLeavesNoFileOfTheEarlierExport) {
    auto flat_movie = [](int32_t frames) {
        MovieWriter movie;
        for (int32_t i = 0; i < frames; ++i) {
            movie.chunk("pBNM", dct_payload(32, 16));
        }
        return movie;
    };
    ASSERT_TRUE(flat_movie(5).save(movie_));
    ASSERT_EQ(run({"--raw", "--png"}), 0);
    for (const char* name : {"notes.txt", "frame_1.png", "frame_00001.png.bak"}) {
        std::ofstream(fs::path(out_) / name) << "mine";
    }
    ASSERT_TRUE(flat_movie(2).save(movie_));
    ASSERT_EQ(run({"--png"}), 0);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame_00000.png", "frame_00001.png",
                                               "frame_00001.png.bak", "frame_1.png", "notes.txt"}));
}

TEST_F(ExportPictures, RkdOnPalettisedDisplayWritesOneBytePerPixel) {
    MovieWriter movie;
    movie.chunk("kDKR", rkd_key_payload(40, 8));
    movie.chunk("fDKR", rkd_inter_payload(40, 8));
    ASSERT_TRUE(movie.save(movie_));
    ASSERT_EQ(run({"--raw", "--png", "--display", "pal8"}), 0);
    EXPECT_EQ(fs::file_size(fs::path(out_) / "frame_00000.raw"), 40u * 8);
    EXPECT_EQ(fs::file_size(fs::path(out_) / "frame_00001.raw"), 40u * 8);
    uint32_t width = 0;
    uint32_t height = 0;
    png_size(fs::path(out_) / "frame_00001.png", width, height);
    EXPECT_EQ(width, 40u);
    EXPECT_EQ(height, 8u);
}

TEST_F(ExportPictures, PngByDefaultWithOneColumnPerDisplayPixel) {
    MovieWriter movie;
    movie.chunk("pBNM", dct_payload(32, 16));
    ASSERT_TRUE(movie.save(movie_));
    ASSERT_EQ(run({"--png", "--double-width", "--display", "rgb555"}), 0);
    uint32_t width = 0;
    uint32_t height = 0;
    png_size(fs::path(out_) / "frame_00000.png", width, height);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 16u);
    EXPECT_FALSE(fs::exists(fs::path(out_) / "frames.json"));
}

TEST_F(ExportPictures, UndecodableFramesAreNamedSkippedAndCounted) {
    MovieWriter movie;
    movie.chunk("pBNM", dct_payload(32, 16));
    movie.chunk("pBNM", std::vector<uint8_t>{1, 2, 3});
    movie.chunk("pELZ", dct_payload(0, 16));
    movie.chunk("pBNM", dct_payload(32, 16));
    ASSERT_TRUE(movie.save(movie_));
    ::testing::internal::CaptureStderr();
    const int status = run({"--raw"});
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1) << "a movie not read whole is a failure, not a usage error";
    EXPECT_NE(errors.find("frame 1 at offset 16"), std::string::npos) << errors;
    EXPECT_NE(errors.find("frame 2 at offset 27"), std::string::npos) << errors;
    EXPECT_TRUE(fs::exists(fs::path(out_) / "frame_00000.raw"));
    EXPECT_FALSE(fs::exists(fs::path(out_) / "frame_00001.raw"));
    EXPECT_FALSE(fs::exists(fs::path(out_) / "frame_00002.raw"));
    EXPECT_TRUE(fs::exists(fs::path(out_) / "frame_00003.raw"));
}

TEST_F(ExportPictures, DctFramesHaveNoPngOnPalettisedDisplays) {
    MovieWriter movie;
    movie.chunk("pBNM", dct_payload(32, 16));
    movie.chunk("pBNM", dct_payload(32, 16));
    movie.chunk("pBNM", dct_payload(32, 16));
    ASSERT_TRUE(movie.save(movie_));
    ::testing::internal::CaptureStderr();
    const int status = run({"--raw", "--png", "--display", "pal8"});
    const std::string errors = ::testing::internal::GetCapturedStderr();
    // Said once for the codec, not once a frame.
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors,
              "qx export: Mnb frames cannot be drawn on a palettised display; use --display "
              "rgb565 or rgb555\n");
    EXPECT_EQ(fs::file_size(fs::path(out_) / "frame_00000.raw"), 32u * 16 * 2);
    EXPECT_FALSE(fs::exists(fs::path(out_) / "frame_00000.png"));
}

// The decoders write 16-bit pixels into a 32-bit display: the raw frames keep those bytes
// (stored expectations rest on them), and the PNG pictures show them as that display reads them:
// two picture pixels to a display pixel, or with double width one true-colour pixel each.
TEST_F(ExportPictures, ThirtyTwoBitDisplayKeepsRawBytesAndShowsItsColours) {
    MovieWriter movie;
    movie.chunk("pBNM", dct_payload(32, 16));
    ASSERT_TRUE(movie.save(movie_));
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(run({"--raw", "--display", "rgb888"}), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "wrote 1 raw frame with frames.json\n");
    const auto raw_bytes = fs::file_size(fs::path(out_) / "frame_00000.raw");
    EXPECT_EQ(raw_bytes, 32u * 16 * 2);
    for (const bool double_width : {false, true}) {
        fs::remove_all(out_);
        std::vector<std::string> options = {"--png", "--display", "rgb888"};
        if (double_width) {
            options.push_back("--double-width");
        }
        ::testing::internal::CaptureStdout();
        ASSERT_EQ(run(options), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "wrote 1 PNG picture\n");
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        const std::string path = (fs::path(out_) / "frame_00000.png").string();
        ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
        image.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
        EXPECT_EQ(image.width, double_width ? 32u : 16u);
        EXPECT_EQ(image.height, 16u);
        if (double_width) {
            // A flat grey frame: every pixel the same grey, as a true-colour screen shows it.
            EXPECT_TRUE(std::all_of(rgb.begin(), rgb.end(), [&](uint8_t v) { return v == rgb[0]; }))
                << int(rgb[0]) << "," << int(rgb[1]) << "," << int(rgb[2]);
        }
    }
}

TEST(ExportPicturesRgb, DisplayPixelsWidenToFullIntensity) {
    const PixelLayout rgb565 = pixel_layout_of_masks(0xF800, 0x07E0, 0x001F, 16);
    const uint8_t pixels[] = {0xFF, 0xFF, 0x00, 0xF8, 0x10, 0x84};
    RgbImage picture;
    ASSERT_TRUE(display_pixels_to_rgb(rgb565, nullptr, pixels, 6, 1, picture));
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.rgb, (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 132, 130, 132}));

    // Bit 15 of a 5-5-5 pixel is not a colour.
    const PixelLayout rgb555 = pixel_layout_of_masks(0x7C00, 0x03E0, 0x001F, 15);
    const uint8_t white555[] = {0xFF, 0xFF};
    ASSERT_TRUE(display_pixels_to_rgb(rgb555, nullptr, white555, 2, 1, picture));
    EXPECT_EQ(picture.rgb, (std::vector<uint8_t>{255, 255, 255}));

    const PixelLayout rgb888 = pixel_layout_of_masks(0xFF0000, 0xFF00, 0xFF, 24);
    const uint8_t word[] = {0x03, 0x02, 0x01, 0xFF};
    ASSERT_TRUE(display_pixels_to_rgb(rgb888, nullptr, word, 4, 1, picture));
    EXPECT_EQ(picture.rgb, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(display_pixels_to_rgb(rgb888, nullptr, word, 2, 1, picture));
}

TEST(ExportPicturesRgb, PalettisedPixelsGoThroughThePalette) {
    const PixelLayout pal8 = pixel_layout_of_masks(0, 0, 0, 8);
    uint8_t palette[768] = {};
    palette[3 * 7] = 10;
    palette[3 * 7 + 1] = 20;
    palette[3 * 7 + 2] = 30;
    const uint8_t pixels[] = {7, 0};
    RgbImage picture;
    ASSERT_TRUE(display_pixels_to_rgb(pal8, palette, pixels, 2, 1, picture));
    EXPECT_EQ(picture.rgb, (std::vector<uint8_t>{10, 20, 30, 0, 0, 0}));
}

}  // namespace

}  // namespace qx

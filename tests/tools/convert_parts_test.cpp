#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/temp_movie.h"
#include "tests/tools/file_checks.h"
#include "tools/qx/encode_frames.h"
#include "tools/qx/export_y4m.h"
#include "tools/qx/output_file.h"
#include "tools/qx/picture_planes.h"
#include "tools/qx/picture_scale.h"
#include "tools/qx/thumbnail_choice.h"
#include "tools/qx/wav_writer.h"

namespace qx {

namespace {

RgbImage filled(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
    RgbImage picture;
    picture.width = width;
    picture.height = height;
    for (int32_t i = 0; i < width * height; ++i) {
        picture.rgb.insert(picture.rgb.end(), {r, g, b});
    }
    return picture;
}

RgbImage ramp(int32_t width, int32_t height) {
    RgbImage picture = filled(width, height, 0, 0, 0);
    for (size_t i = 0; i < picture.rgb.size(); ++i) {
        picture.rgb[i] = static_cast<uint8_t>(i * 7 % 251);
    }
    return picture;
}

}  // namespace

// Studio-range BT.601 levels of the primaries and of grey, and the chroma of 4:2:0 as the mean
// of the pixels it covers, also at an odd edge.
TEST(PicturePlanes, ColoursTakeTheirBt601Levels) {
    PlanarPicture planes;
    rgb_to_ycbcr(filled(2, 2, 255, 255, 255), true, planes);
    EXPECT_EQ(planes.planes[0], std::vector<uint8_t>(4, 235));
    EXPECT_EQ(planes.planes[1], std::vector<uint8_t>{128});
    rgb_to_ycbcr(filled(1, 1, 0, 0, 0), false, planes);
    EXPECT_EQ(planes.planes[0][0], 16);
    rgb_to_ycbcr(filled(1, 1, 255, 0, 0), false, planes);
    EXPECT_EQ(planes.planes[0][0], 81);
    EXPECT_EQ(planes.planes[1][0], 90);
    EXPECT_EQ(planes.planes[2][0], 240);
    rgb_to_ycbcr(filled(1, 1, 0, 0, 255), false, planes);
    EXPECT_EQ(planes.planes[0][0], 41);
    EXPECT_EQ(planes.planes[1][0], 240);
    EXPECT_EQ(planes.planes[2][0], 110);

    // Three columns: the last chroma column covers one pixel column, a blue one.
    RgbImage picture = filled(3, 2, 255, 0, 0);
    for (int row = 0; row < 2; ++row) {
        picture.rgb[(row * 3 + 2) * 3] = 0;
        picture.rgb[(row * 3 + 2) * 3 + 2] = 255;
    }
    rgb_to_ycbcr(picture, true, planes);
    ASSERT_EQ(planes.plane_width(1), 2);
    ASSERT_EQ(planes.plane_height(1), 1);
    EXPECT_EQ(planes.planes[2], (std::vector<uint8_t>{240, 110}));
}

TEST(PicturePlanes, ComponentsGoToGbrPlanesUnchanged) {
    PlanarPicture planes;
    rgb_to_gbr(filled(2, 1, 10, 20, 30), planes);
    EXPECT_TRUE(planes.gbr);
    EXPECT_FALSE(planes.half_chroma);
    EXPECT_EQ(planes.planes[0], (std::vector<uint8_t>{20, 20}));
    EXPECT_EQ(planes.planes[1], (std::vector<uint8_t>{30, 30}));
    EXPECT_EQ(planes.planes[2], (std::vector<uint8_t>{10, 10}));
}

TEST(PictureScale, SharpEnlargementRepeatsPixelsAndSmoothBlends) {
    RgbImage picture = filled(2, 1, 0, 0, 0);
    picture.rgb = {0, 0, 0, 200, 100, 50};
    const RgbImage sharp = enlarge_picture(picture, 3, false);
    ASSERT_EQ(sharp.width, 6);
    ASSERT_EQ(sharp.height, 3);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            EXPECT_EQ(sharp.rgb[(y * 6 + x) * 3], x < 3 ? 0 : 200) << x << "," << y;
        }
    }
    const RgbImage smooth = enlarge_picture(picture, 4, true);
    EXPECT_EQ(smooth.rgb[0], 0);  // the edges keep the pixels' own colours
    EXPECT_EQ(smooth.rgb[7 * 3], 200);
    EXPECT_GT(smooth.rgb[4 * 3], 0);  // and the middle passes between them
    EXPECT_LT(smooth.rgb[4 * 3], 200);
}

TEST(PictureScale, FittingKeepsTheAspectAndTheMeanColour) {
    const RgbImage wide = fit_picture(filled(320, 240, 90, 120, 30), 128);
    EXPECT_EQ(wide.width, 128);
    EXPECT_EQ(wide.height, 96);
    EXPECT_EQ(wide.rgb, filled(128, 96, 90, 120, 30).rgb);
    const RgbImage tall = fit_picture(ramp(100, 300), 50);
    EXPECT_EQ(tall.width, 17);
    EXPECT_EQ(tall.height, 50);
    const RgbImage small = fit_picture(ramp(16, 8), 64);
    EXPECT_EQ(small.width, 64);
    EXPECT_EQ(small.height, 32);
}

TEST(ThumbnailChoice, LooksInTheFirstThirdAndPassesOverBlackAndFlatPictures) {
    EXPECT_EQ(thumbnail_candidates(240), (std::vector<int64_t>{20, 40, 60, 80}));
    EXPECT_EQ(thumbnail_candidates(2), (std::vector<int64_t>{0}));
    EXPECT_TRUE(thumbnail_candidates(0).empty());

    const PictureDetail black = picture_detail(filled(8, 8, 0, 0, 0));
    const PictureDetail grey = picture_detail(filled(8, 8, 128, 128, 128));
    const PictureDetail busy = picture_detail(ramp(8, 8));
    EXPECT_TRUE(says_little(black));
    EXPECT_TRUE(says_little(grey));
    EXPECT_FALSE(says_little(busy));
    EXPECT_EQ(choose_thumbnail({black, grey, busy, busy}), 2u);
    // Nothing better: the most detailed of the dull ones.
    RgbImage faint = filled(8, 8, 100, 100, 100);
    faint.rgb[0] = 160;
    EXPECT_EQ(choose_thumbnail({black, picture_detail(faint), grey}), 1u);
}

TEST(OutputFile, AppearsWholeOnCommitAndNotAtAllOtherwise) {
    TempFolder folder;
    const std::string path = folder.path() + "/out.webm";
    std::string error;
    {
        OutputFile output;
        ASSERT_TRUE(output.create(path, error)) << error;
        ASSERT_EQ(write(output.fd(), "half", 4), 4);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_TRUE(files_in(folder.path()).empty()) << "an abandoned file left something behind";

    std::ofstream(path) << "old";
    OutputFile output;
    ASSERT_TRUE(output.create(path, error)) << error;
    ASSERT_EQ(write(output.fd(), "new", 3), 3);
    EXPECT_EQ(file_text(path), "old");
    ASSERT_TRUE(output.commit(error)) << error;
    EXPECT_EQ(file_text(path), "new");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::string>{"out.webm"});

    OutputFile nowhere;
    EXPECT_FALSE(nowhere.create(folder.path() + "/missing/out.webm", error));
    EXPECT_NE(error.find("missing/out.webm"), std::string::npos);
}

// What the YUV4MPEG2 writer writes, our own reader takes back: size, pace and pictures.
TEST(StreamsForOtherTools, Y4mComesBackThroughOurOwnInput) {
    TempFolder folder;
    for (const bool half : {true, false}) {
        const std::string path = folder.path() + (half ? "/a.y4m" : "/b.y4m");
        const RgbImage picture = fit_picture(ramp(61, 31), 61);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        PlanarPicture planes;
        rgb_to_ycbcr(picture, half, planes);
        EXPECT_TRUE(write_y4m_header(file, picture.width, picture.height, 12.5, half));
        EXPECT_TRUE(write_y4m_frame(file, planes));
        EXPECT_TRUE(write_y4m_frame(file, planes));
        std::fclose(file);

        std::string error;
        const std::unique_ptr<FrameSource> frames = open_y4m_frames(path, error);
        ASSERT_NE(frames, nullptr) << error;
        EXPECT_EQ(frames->width(), 61);
        EXPECT_EQ(frames->height(), 31);
        EXPECT_EQ(frames->frame_count(), 2);
        EXPECT_DOUBLE_EQ(frames->frame_rate(), 12.5);
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(frames->next(rgb, error)) << error;
        if (!half) {
            // Full chroma loses only the rounding of the levels.
            for (size_t i = 0; i < rgb.size(); ++i) {
                ASSERT_NEAR(rgb[i], picture.rgb[i], 3) << i;
            }
        }
        EXPECT_TRUE(frames->next(rgb, error));
        EXPECT_FALSE(frames->next(rgb, error));
        EXPECT_TRUE(error.empty()) << error;
    }
}

// A WAV for a pipe states its length up front and is never sought back into.
TEST(StreamsForOtherTools, WavForAPipeIsWholeWithoutSeeking) {
    TempFolder folder;
    const std::string streamed = folder.path() + "/streamed.wav";
    const std::string sought = folder.path() + "/sought.wav";
    const std::vector<int16_t> samples = {1, -2, 300, -400, 32767, -32768};
    std::string error;
    WavWriter reference;
    ASSERT_TRUE(reference.open(sought, 11025, 2, error));
    ASSERT_TRUE(reference.write(samples.data(), 3, error));
    ASSERT_TRUE(reference.close(error));

    std::FILE* file = std::fopen(streamed.c_str(), "wb");
    WavWriter writer;
    ASSERT_TRUE(writer.open_stream(file, "a pipe", 11025, 2, 3, error)) << error;
    ASSERT_TRUE(writer.write(samples.data(), 3, error));
    ASSERT_TRUE(writer.close(error));
    std::fclose(file);
    EXPECT_EQ(file_text(streamed), file_text(sought));
}

}  // namespace qx

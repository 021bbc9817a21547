#include "tools/qx/encode_png_reader.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/temp_movie.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 8;
constexpr int32_t HEIGHT = 4;

// Writes a PNG of one colour type and depth without gamma chunks, as most tools write them:
// `samples` holds the rows, each sample 1 or 2 bytes (big-endian) as the depth says.
void write_png(const std::string& path, int colour_type, int depth,
               const std::vector<uint8_t>& samples) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, WIDTH, HEIGHT, depth, colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t row_bytes = samples.size() / HEIGHT;
    for (int32_t y = 0; y < HEIGHT; ++y) {
        png_write_row(png, samples.data() + y * row_bytes);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// The 8-bit level of pixel i, channel c, and an alpha that varies across the picture.
uint8_t level(int32_t i, int32_t c) {
    return uint8_t(i * 8 + c * 70);
}
uint8_t alpha(int32_t i) {
    return uint8_t(255 - i * 8);
}

std::vector<uint8_t> read(const std::string& path) {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
    std::string error;
    EXPECT_TRUE(read_png_rgb(path, width, height, rgb, error)) << error;
    EXPECT_EQ(width, WIDTH);
    EXPECT_EQ(height, HEIGHT);
    return rgb;
}

// Deep, grey and transparent pictures come in as the 8-bit colours they show: 16-bit samples
// by their high byte (within one level), grey on all three channels, alpha over black.
TEST(EncodePngReader, ReadsDeepGreyAndTransparentPictures) {
    TempFolder folder;
    std::vector<uint8_t> rgb16;
    std::vector<uint8_t> grey;
    std::vector<uint8_t> grey16;
    std::vector<uint8_t> rgba;
    std::vector<uint8_t> grey_alpha;
    for (int32_t i = 0; i < WIDTH * HEIGHT; ++i) {
        for (int32_t c = 0; c < 3; ++c) {
            rgb16.insert(rgb16.end(), {level(i, c), uint8_t(level(i, c) ^ 0x5A)});
            rgba.push_back(level(i, c));
        }
        rgba.push_back(alpha(i));
        grey.push_back(level(i, 0));
        grey16.insert(grey16.end(), {level(i, 0), 0x80});
        grey_alpha.insert(grey_alpha.end(), {level(i, 0), alpha(i)});
    }
    const std::string root = folder.path();
    write_png(root + "/rgb16.png", PNG_COLOR_TYPE_RGB, 16, rgb16);
    write_png(root + "/grey.png", PNG_COLOR_TYPE_GRAY, 8, grey);
    write_png(root + "/grey16.png", PNG_COLOR_TYPE_GRAY, 16, grey16);
    write_png(root + "/rgba.png", PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba);
    write_png(root + "/grey_alpha.png", PNG_COLOR_TYPE_GRAY_ALPHA, 8, grey_alpha);
    const auto deep = read(root + "/rgb16.png");
    const auto flat_grey = read(root + "/grey.png");
    const auto deep_grey = read(root + "/grey16.png");
    const auto transparent = read(root + "/rgba.png");
    const auto transparent_grey = read(root + "/grey_alpha.png");
    ASSERT_EQ(deep.size(), size_t(WIDTH * HEIGHT * 3));
    for (int32_t i = 0; i < WIDTH * HEIGHT; ++i) {
        for (int32_t c = 0; c < 3; ++c) {
            const size_t at = size_t(3 * i + c);
            EXPECT_NEAR(deep[at], level(i, c), 1) << i;
            EXPECT_EQ(flat_grey[at], level(i, 0)) << i;
            EXPECT_NEAR(deep_grey[at], level(i, 0), 1) << i;
            EXPECT_NEAR(transparent[at], level(i, c) * alpha(i) / 255.0, 1) << i;
            EXPECT_NEAR(transparent_grey[at], level(i, 0) * alpha(i) / 255.0, 1) << i;
        }
    }
}

}  // namespace

}  // namespace qx

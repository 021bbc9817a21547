#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/dct/macroblock.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

namespace {

MacroblockPlanes random_planes(std::mt19937& random, int32_t spread) {
    std::uniform_int_distribution<int32_t> sample(-spread, spread);
    MacroblockPlanes planes;
    for (int32_t& s : planes.luma_plane) {
        s = sample(random);
    }
    for (int i = 0; i < 64; ++i) {
        planes.cb_plane[i] = sample(random);
        planes.cr_plane[i] = sample(random);
    }
    return planes;
}

// Every mode, whole and clipped macroblocks, samples in and far outside their ranges.
TEST(DctConvert, FastKernelMatchesTheReferenceBitForBit) {
    std::mt19937 random(11);
    for (bool double_width : {false, true}) {
        const auto tables = dct_test_tables(16, double_width);
        for (ConvertMode mode :
             {CONVERT_SUMMED_2, CONVERT_SUMMED_4, CONVERT_CHANNEL_2, CONVERT_CHANNEL_4}) {
            for (int trial = 0; trial < 40; ++trial) {
                const MacroblockPlanes planes = random_planes(random, trial % 2 ? 100 : 5000);
                const int32_t columns = trial < 20 ? 16 : 1 + trial % 16;
                const int32_t rows = trial < 20 ? 16 : 16 - trial % 16;
                const size_t stride = 16 * 4 + 8;
                std::vector<uint8_t> fast(16 * stride, 0xAA);
                std::vector<uint8_t> plain(16 * stride, 0xAA);
                convert_macroblock(planes, *tables, fast.data(), stride, mode, columns, rows);
                convert_macroblock_reference(planes, *tables, plain.data(), stride, mode, columns,
                                             rows);
                ASSERT_EQ(fast, plain) << mode << " " << trial;
            }
        }
    }
}

TEST(DctConvert, SummedSamplesWrapThroughSevenBits) {
    const auto tables = dct_test_tables();
    MacroblockPlanes planes{};
    planes.luma_plane[0] = 64;   // wraps to the entry of -64, the darkest
    planes.luma_plane[1] = -1;   // luma_table[127]
    planes.luma_plane[2] = 128;  // luma_table[0]
    std::vector<uint8_t> picture(16 * 32);
    convert_macroblock(planes, *tables, picture.data(), 32, CONVERT_SUMMED_2);
    const uint32_t chroma = tables->cb_table[0] + tables->cr_table[0];
    EXPECT_EQ(pixel16(picture, 0), static_cast<uint16_t>(tables->luma_table[64] + chroma));
    EXPECT_EQ(pixel16(picture, 1), static_cast<uint16_t>(tables->luma_table[127] + chroma));
    EXPECT_EQ(pixel16(picture, 2), static_cast<uint16_t>(tables->luma_table[0] + chroma));
}

TEST(DctConvert, ChannelChromaIndexesUseTheLowByte) {
    const auto tables = dct_test_tables();
    // Cb = -1 selects chroma index 255; Cb = Cr = 0 gives pure green (stored movies expect it).
    EXPECT_EQ(channel_pixel(*tables, 0, 0, 0), tables->green_table[250]);
    EXPECT_EQ(channel_pixel(*tables, 0, -1, 0),
              tables->red_table[120] + tables->green_table[250 - tables->cb_green_table[255]] +
                  tables->blue_table[119]);
    EXPECT_EQ(channel_pixel(*tables, 0, 0, 0) & 0xF800u, 0u);
}

// Index sums outside 0..511 come only from broken streams; they are clamped to the tables.
TEST(DctConvert, ChannelIndexSumsAreClamped) {
    const auto tables = dct_test_tables();
    EXPECT_EQ(channel_pixel(*tables, 100000, 0, 0),
              tables->red_table[511] + tables->green_table[511] + tables->blue_table[511]);
    EXPECT_EQ(channel_pixel(*tables, -100000, 0, 0), 0u);
    MacroblockPlanes planes{};
    planes.luma_plane[0] = 1 << 30;
    planes.cr_plane[0] = 1 << 30;
    std::vector<uint8_t> picture(16 * 64);
    convert_macroblock(planes, *tables, picture.data(), 64, CONVERT_CHANNEL_4);
    EXPECT_EQ(picture[0] | picture[1] << 8, 0xFFFF);
}

}  // namespace

}  // namespace qx

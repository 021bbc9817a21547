#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "base/memory.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "tests/codecs/rkd/rkd_test_support.h"

namespace qx {

namespace {

uint32_t entry_for(RkdContext& c, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t palette[768] = {};
    palette[3] = r;
    palette[4] = g;
    palette[5] = b;
    RkdPixelTable table;
    rkd_fill_pixel_table(table, palette, c.format());
    return table.entries[1];
}

TEST(RkdPixelTable, FiveSixFivePixelsAtEveryBrightness) {
    RkdContext c;
    EXPECT_EQ(entry_for(c, 255, 128, 0), 0xFC00u);
    c.params.brightness = 50;
    EXPECT_EQ(entry_for(c, 255, 128, 0), 0x7A00u);
    c.params.brightness = 150;
    EXPECT_EQ(entry_for(c, 255, 128, 0), 0xFE00u);
    c.params.brightness = -20;
    EXPECT_EQ(entry_for(c, 255, 128, 0), 0u);
    c.params.brightness = 100;
    c.params.flags = PLAY_DOUBLE_WIDTH;
    EXPECT_EQ(entry_for(c, 255, 128, 0), 0xFC00FC00u);
}

TEST(RkdPixelTable, FiveFiveFiveWhite) {
    RkdContext c;
    c.params.green_bits = 5;
    c.params.red_shift = 10;
    EXPECT_EQ(entry_for(c, 255, 255, 255), 0x7FFFu);
}

// A 16 x 4 key frame with pixel i = i, and palette entry i = (i, 2i, 3i).
struct RkdConvertFixture : ::testing::Test {
    void SetUp() override {
        std::vector<uint8_t> palette(768), pixels(64);
        for (int i = 0; i < 256; ++i) {
            palette[3 * i] = uint8_t(i);
            palette[3 * i + 1] = uint8_t(2 * i);
            palette[3 * i + 2] = uint8_t(3 * i);
        }
        for (int i = 0; i < 64; ++i) {
            pixels[i] = uint8_t(i);
        }
        RkdBytes key = rkd_key_payload(16, 4, palette, rkd_literal_packing(pixels));
        rkd_read_key_header(c.rkd, c.size, key.data(), key.size());
        ASSERT_EQ(rkd_decode_key_frame(c.rkd, key.data(), key.size()), 1);
    }
    std::vector<uint8_t> convert(size_t bytes) {
        std::vector<uint8_t> out(bytes, 0xEE);
        rkd_convert_picture(c.rkd, c.described(), out.data(), out.size());
        return out;
    }
    uint16_t pixel16(const std::vector<uint8_t>& out, size_t i) {
        uint16_t value;
        std::memcpy(&value, out.data() + 2 * i, 2);
        return value;
    }
    RkdContext c;
};

TEST_F(RkdConvertFixture, EightBitDisplayCopiesOrDoublesIndices) {
    c.params.colour_bits = 8;
    std::vector<uint8_t> plain = convert(64);
    EXPECT_EQ(plain[7], 7);
    EXPECT_EQ(plain[63], 63);
    c.params.flags = PLAY_DOUBLE_WIDTH;
    std::vector<uint8_t> doubled = convert(128);
    EXPECT_EQ(doubled[14], 7);
    EXPECT_EQ(doubled[15], 7);
    EXPECT_EQ(doubled[18], 9);
    EXPECT_EQ(doubled[19], 9);
}

TEST_F(RkdConvertFixture, SixteenBitDisplayLooksUpTheTable) {
    rkd_build_pixel_table(c.rkd, c.format());
    std::vector<uint8_t> out = convert(128);
    // Entry 9 = (9, 18, 27): (9 >> 3) << 11 | (18 >> 2) << 5 | 27 >> 3.
    EXPECT_EQ(pixel16(out, 9), (1 << 11) | (4 << 5) | 3);
    c.params.flags = PLAY_DOUBLE_WIDTH;
    rkd_build_pixel_table(c.rkd, c.format());
    std::vector<uint8_t> doubled = convert(256);
    EXPECT_EQ(pixel16(doubled, 18), pixel16(out, 9));
    EXPECT_EQ(pixel16(doubled, 19), pixel16(out, 9));
}

TEST_F(RkdConvertFixture, BrightnessChangeWaitsForTheNextKeyFrame) {
    rkd_build_pixel_table(c.rkd, c.format());
    RkdBytes inter;
    inter.u16(1).u16(0).u16(0).u16(1).u32(0).u32(0).u32(0);
    ASSERT_EQ(rkd_decode_inter_frame(c.rkd, c.described(), inter.data(), inter.size()), 1);
    std::vector<uint8_t> before = convert(128);
    c.params.brightness = 30;
    ASSERT_EQ(rkd_decode_inter_frame(c.rkd, c.described(), inter.data(), inter.size()), 1);
    EXPECT_EQ(convert(128), before);
}

// The pixels the reference conversion gives through the decoder's pixel table.
std::vector<uint8_t> reference_pixels(RkdContext& c) {
    std::vector<uint8_t> out(128);
    rkd_convert_reference({c.rkd.rkd_frame, 16, 4, &c.rkd.rkd_pixel_table, nullptr, false, false,
                           out.data(), out.size()});
    return out;
}

TEST_F(RkdConvertFixture, PairsFollowEveryNewTable) {
    rkd_build_pixel_table(c.rkd, c.format());
    ASSERT_NE(c.rkd.rkd_pixel_pairs, nullptr);
    EXPECT_EQ(convert(128), reference_pixels(c));
    c.params.brightness = 40;
    rkd_build_pixel_table(c.rkd, c.format());
    EXPECT_EQ(convert(128), reference_pixels(c));
}

TEST_F(RkdConvertFixture, WithoutRoomForPairsTheTableServesAlone) {
    memory_fail_after(1);
    rkd_build_pixel_table(c.rkd, c.format());
    memory_fail_after(0);
    EXPECT_EQ(c.rkd.rkd_pixel_pairs, nullptr);
    EXPECT_EQ(convert(128), reference_pixels(c));
}

TEST_F(RkdConvertFixture, SmallPictureGetsOnlyTheWholeRowsThatFit) {
    rkd_build_pixel_table(c.rkd, c.format());
    std::vector<uint8_t> out = convert(2 * 16 * 2 + 5);
    EXPECT_NE(out[63], 0xEE);
    EXPECT_EQ(out[64], 0xEE);
    EXPECT_EQ(convert(0).size(), 0u);
}

TEST_F(RkdConvertFixture, NothingIsConvertedWithoutAPictureOfTheFrameSize) {
    c.size.width = 32;
    EXPECT_EQ(convert(256), std::vector<uint8_t>(256, 0xEE));
}

TEST(RkdConvert, FastConversionMatchesTheReferenceOnEveryDisplay) {
    std::mt19937 random(5);
    RkdPixelTable table;
    for (uint32_t& e : table.entries) {
        e = random();
    }
    auto pairs = std::make_unique<RkdPixelPairs>();
    rkd_fill_pixel_pairs(*pairs, table);
    for (int32_t width : {8, 12, 64, 100}) {
        std::vector<uint8_t> frame(size_t(width) * 6);
        for (uint8_t& p : frame) {
            p = uint8_t(random());
        }
        for (int mode = 0; mode < 8; ++mode) {
            bool palettised = mode & 1;
            bool double_width = mode & 2;
            size_t bytes = rkd_converted_row_bytes(width, palettised, double_width) * 6;
            std::vector<uint8_t> fast(bytes, 0), reference(bytes, 1);
            RkdConversion conversion{
                frame.data(), width,        6,           &table, mode & 4 ? pairs.get() : nullptr,
                palettised,   double_width, fast.data(), bytes};
            rkd_convert(conversion);
            conversion.picture = reference.data();
            rkd_convert_reference(conversion);
            EXPECT_EQ(fast, reference) << "width " << width << " mode " << mode;
        }
    }
}

// Entry a | b << 8 of the pairs is the two pixels a, b side by side, whatever the high halves.
TEST(RkdPixelPairs, HoldTheLowHalvesOfTwoEntries) {
    RkdPixelTable table;
    for (uint32_t i = 0; i < 256; ++i) {
        table.entries[i] = 0xABCD0000u | i * 3;
    }
    auto pairs = std::make_unique<RkdPixelPairs>();
    rkd_fill_pixel_pairs(*pairs, table);
    EXPECT_EQ(pairs->entries[0x0201], (6u << 16) | 3u);
    EXPECT_EQ(pairs->entries[0xFF00], (765u << 16) | 0u);
}

}  // namespace

}  // namespace qx

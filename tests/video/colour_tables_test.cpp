#include "video/colour_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "player/display_params.h"
#include "player/player.h"

namespace qx {

namespace {

PlayParams display_params(int32_t colour_bits, int32_t brightness = 100, uint32_t flags = 0) {
    PlayParams params{};
    params.colour_bits = colour_bits;
    params.brightness = brightness;
    params.flags = flags;
    if (colour_bits == 16) {
        params.red_bits = 5, params.green_bits = 6, params.blue_bits = 5;
        params.red_shift = 11, params.green_shift = 5, params.blue_shift = 0;
    } else if (colour_bits == 15) {
        params.red_bits = 5, params.green_bits = 5, params.blue_bits = 5;
        params.red_shift = 10, params.green_shift = 5, params.blue_shift = 0;
    } else {
        params.red_bits = 8, params.green_bits = 8, params.blue_bits = 8;
        params.red_shift = 16, params.green_shift = 8, params.blue_shift = 0;
    }
    return params;
}

std::unique_ptr<ColourTables> built(PlayParams params) {
    auto tables = std::make_unique<ColourTables>();
    build_colour_tables(*tables, dct_pixel_format(display_target_of(params), params.brightness));
    return tables;
}

TEST(ColourTablesSummable, Rgb565TellingValues) {
    const auto t = built(display_params(16));
    EXPECT_EQ(t->luma_table[0], 0x84108410u);
    EXPECT_EQ(t->luma_table[63], 0xFFFFFFFFu);
    EXPECT_EQ(t->luma_table[64], 0u);
    EXPECT_EQ(t->cb_table[10], 0xFFE3FFC5u);
    EXPECT_EQ(t->cr_table[10], 0x17A01F80u);
}

TEST(ColourTablesSummable, Rgb555SetsTheTopBitOfBothPixels) {
    const auto t = built(display_params(15));
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(t->luma_table[i] & 0x80008000u, 0x80008000u) << i;
        EXPECT_EQ(t->cb_table[i] & 0x80008000u, 0x80008000u) << i;
        EXPECT_EQ(t->cr_table[i] & 0x80008000u, 0x80008000u) << i;
    }
}

TEST(ColourTablesSummable, Rgb888TellingValues) {
    const auto t = built(display_params(24));
    EXPECT_EQ(t->luma_table[0], 0xFF818181u);
    EXPECT_EQ(t->cb_table[127], 0xFFFFFFFEu);
    EXPECT_EQ(t->cr_table[127], 0xFFFF0100u);
}

// The point of the borrows: one 32-bit addition of three entries adds every field, so a grey
// level plus zero chroma is that grey in both pixels.
TEST(ColourTablesSummable, EntriesAddFieldByField) {
    const auto t = built(display_params(16));
    const uint32_t neutral_cb = t->cb_table[127];  // s = -1: the smallest chroma
    const uint32_t neutral_cr = t->cr_table[127];
    const uint32_t word = t->luma_table[32] + neutral_cb + neutral_cr;  // level 193
    const uint32_t low = word & 0xFFFF;
    EXPECT_NEAR(static_cast<int>(low >> 11), 193 / 8, 1);
    EXPECT_NEAR(static_cast<int>((low >> 5) & 63), 193 / 4, 1);
    EXPECT_NEAR(static_cast<int>(low & 31), 193 / 8, 1);
}

TEST(ColourTablesPack, BorrowsRunFromBlueToRed) {
    // Blue rounds negative, which borrows from green, which then borrows from red.
    EXPECT_EQ(pack_pixel_pair(0, 0, -4, 5, 6, 5, 11, 5, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pack_pixel_pair(0, 0, 0, 5, 6, 5, 11, 5, 0), 0u);
    EXPECT_EQ(pack_pixel_pair(255, 255, 255, 5, 6, 5, 11, 5, 0), 0xFFFFFFFFu);
}

TEST(ColourTablesChannel, Rgb565Entry250) {
    const auto t = built(display_params(16));
    EXPECT_EQ(t->red_table[250], 0xA000u);
    EXPECT_EQ(t->green_table[250], 0x440u);
    EXPECT_EQ(t->blue_table[250], 0x19u);
    const auto wide = built(display_params(16, 100, PLAY_DOUBLE_WIDTH));
    EXPECT_EQ(wide->red_table[250], 0xA000A000u);
    EXPECT_EQ(wide->green_table[250], 0x4400440u);
    EXPECT_EQ(wide->blue_table[250], 0x190019u);
}

TEST(ColourTablesChannel, NegativeLevelsAreBlackAndRedSaturates) {
    const auto t = built(display_params(16));
    for (int k = 0; k <= 191; ++k) {
        ASSERT_EQ(t->red_table[k] | t->green_table[k] | t->blue_table[k], 0u) << k;
    }
    for (int k = 192; k < 195; ++k) {
        EXPECT_EQ(t->red_table[k], 0u) << k;
    }
    EXPECT_EQ(t->red_table[195], 0x800u);
    EXPECT_NE(t->red_table[281], 0xF800u);
    for (int k = 282; k < 512; ++k) {
        ASSERT_EQ(t->red_table[k], 0xF800u) << k;
    }
}

TEST(ColourTablesChannel, ChromaGreenTablesUseTheSinglePrecisionFactors) {
    const auto t = built(display_params(16));
    EXPECT_EQ(t->cb_green_table[125], 41);
    EXPECT_EQ(t->cb_green_table[-125 & 0xFF], -41);
    EXPECT_EQ(t->cb_green_table[127], 42);
    EXPECT_EQ(t->cr_green_table[0], 250);
    EXPECT_EQ(t->cr_green_table[127], 162);
    EXPECT_EQ(t->cr_green_table[-128 & 0xFF], 339);
}

TEST(ColourTablesChannel, BrightnessZeroIsBlackAndLeavesSummableTables) {
    const auto bright = built(display_params(16, 100));
    const auto dark = built(display_params(16, 0));
    for (int k = 0; k < 512; ++k) {
        ASSERT_EQ(dark->red_table[k] | dark->green_table[k] | dark->blue_table[k], 0u) << k;
    }
    EXPECT_EQ(std::memcmp(bright->luma_table, dark->luma_table, sizeof dark->luma_table), 0);
    EXPECT_EQ(std::memcmp(bright->cb_table, dark->cb_table, sizeof dark->cb_table), 0);
    EXPECT_EQ(std::memcmp(bright->cr_table, dark->cr_table, sizeof dark->cr_table), 0);
}

TEST(ColourTablesChannel, BrightnessScalesAfterTruncation) {
    // k = 250: red 160 at 100 %; 160 * 50 / 100 = 80 -> 80 >> 3 = 10.
    const auto t = built(display_params(16, 50));
    EXPECT_EQ(t->red_table[250], 10u << 11);
    const auto brighter = built(display_params(16, 200));
    EXPECT_EQ(brighter->red_table[250], 0xF800u);
}

// 2^(7 - 8) and shifts by 32 bits: the rounding term is 0 and bits past 32 fall away.
TEST(ColourTablesChannel, Rgb888DoubleWidthDropsTheRedHighHalf) {
    const auto t = built(display_params(24, 100, PLAY_DOUBLE_WIDTH));
    EXPECT_EQ(t->red_table[250], 160u << 16);
    EXPECT_EQ(t->green_table[250], 136u << 8 | 136u << 24);
    EXPECT_EQ(t->blue_table[250], 202u | 202u << 16);
}

// The movie's tables follow the stored brightness only when the player thread refreshes them,
// and then the Rkd pixel table with them.
TEST(ColourTablesRefresh, ABrightnessChangeIsBuiltAtTheNextRefreshOnly) {
    PlayParams params = display_params(16, 100);
    auto video = std::make_unique<VideoOutput>();
    video->target = display_target_of(params);
    video->rkd.palette[3] = 255;  // entry 1 is red
    build_colour_tables(*video);
    refresh_colour_tables(*video);
    EXPECT_EQ(video->colour_tables.red_table[300], 0xF800u);
    EXPECT_EQ(video->rkd.rkd_pixel_table.entries[1], 0u) << "no key frame built it yet";

    player_set_brightness(params, 0);
    EXPECT_EQ(video->colour_tables.red_table[300], 0xF800u) << "the decoding thread's tables";
    refresh_colour_tables(*video);
    EXPECT_EQ(video->colour_tables.red_table[300], 0u);
    EXPECT_EQ(video->tables_brightness, 0);

    player_set_brightness(params, 100);
    refresh_colour_tables(*video);
    EXPECT_EQ(video->colour_tables.red_table[300], 0xF800u);
    EXPECT_EQ(video->rkd.rkd_pixel_table.entries[1], 0xF800u);
    EXPECT_EQ(video->rkd.rkd_pixel_pairs, nullptr) << "no Rkd pictures to convert";
}

}  // namespace

}  // namespace qx

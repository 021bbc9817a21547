#include "player/display_params.h"

#include <gtest/gtest.h>

namespace qx {

namespace {

struct FlagOption {
    uint32_t flag;
    bool DisplayOptions::*option;
};

constexpr FlagOption FLAG_OPTIONS[] = {
    {PLAY_X_OFFSET, &DisplayOptions::use_x_offset},
    {PLAY_Y_OFFSET, &DisplayOptions::use_y_offset},
    {PLAY_CENTRE_X, &DisplayOptions::centre_x},
    {PLAY_CENTRE_Y, &DisplayOptions::centre_y},
    {PLAY_DOUBLE_ROWS, &DisplayOptions::double_rows},
    {PLAY_SCANLINES, &DisplayOptions::scanlines},
    {PLAY_DOUBLE_WIDTH, &DisplayOptions::double_width},
    {PLAY_DEST_WIDTH, &DisplayOptions::use_dest_width},
    {PLAY_DEST_HEIGHT, &DisplayOptions::use_dest_height},
    {PLAY_APP_BUFFERS, &DisplayOptions::app_buffers},
    {PLAY_KEEP_BRIGHTNESS, &DisplayOptions::keep_brightness},
};

TEST(DisplayTarget, EachPictureFlagTurnsOnItsOwnOptionAlone) {
    for (const FlagOption& picked : FLAG_OPTIONS) {
        PlayParams params{};
        params.flags = picked.flag | PLAY_SOUND | PLAY_THREAD;
        const DisplayOptions options = display_target_of(params).options;
        for (const FlagOption& other : FLAG_OPTIONS) {
            EXPECT_EQ(options.*other.option, other.flag == picked.flag)
                << "flag " << picked.flag << ", option of flag " << other.flag;
        }
    }
}

// The stage is linked before the application's display objects may exist: it must see the
// fields as they are when it uses them, and store its findings where the application looks.
TEST(DisplayTarget, ReachesTheApplicationsFieldsAsTheyAreWhenUsed) {
    PlayParams params{};
    const DisplayTarget target = display_target_of(params);
    params.x_offset = 12;
    params.dest_height = 480;
    params.brightness = 70;
    EXPECT_EQ(*target.x_offset, 12);
    EXPECT_EQ(*target.dest_height, 480);
    EXPECT_EQ(*target.brightness, 70);

    PixelFormat rgb565{};
    rgb565.flags = PIXEL_FORMAT_RGB;
    rgb565.rgb_bit_count = 16;
    rgb565.red_mask = 0xF800;
    rgb565.green_mask = 0x07E0;
    rgb565.blue_mask = 0x001F;
    ASSERT_TRUE(set_display_pixel_format(params, rgb565));
    EXPECT_EQ(params.colour_bits, 16);
    EXPECT_EQ(params.green_bits, 6);
    EXPECT_EQ(params.red_shift, 11);
    EXPECT_EQ(params.rgb_mask, 0xFFFFu);
}

}  // namespace

}  // namespace qx

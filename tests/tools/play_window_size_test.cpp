#include <gtest/gtest.h>

#include "tools/qx/play_window_size.h"

namespace {

TEST(PlayWindowSize, SmallPicturesGrowByWholeFactors) {
    EXPECT_EQ(play_window_size(320, 240, 1280, 1024).width, 960);
    EXPECT_EQ(play_window_size(320, 240, 1280, 1024).height, 720);
    EXPECT_EQ(play_window_size(640, 480, 1280, 800).width, 640);
    EXPECT_EQ(play_window_size(16, 16, 0, 0).width, 16);
}

TEST(PlayWindowSize, LargePicturesShrinkToTheScreenWithTheirAspect) {
    const WindowSize wide = play_window_size(1920, 1080, 1280, 800);
    EXPECT_EQ(wide.width, 1152);
    EXPECT_EQ(wide.height, 648);
    const WindowSize tall = play_window_size(1000, 2000, 1280, 800);
    EXPECT_EQ(tall.height, 720);
    EXPECT_EQ(tall.width, 360);
    const WindowSize sliver = play_window_size(4096, 1, 1280, 800);
    EXPECT_EQ(sliver.width, 1152);
    EXPECT_EQ(sliver.height, 1);
}

}  // namespace

#include <gtest/gtest.h>

#include "tools/qx/window/play_window_size.h"

namespace qx {

namespace {

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

}  // namespace qx

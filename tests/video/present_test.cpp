#include <gtest/gtest.h>

#include "tests/video/video_rig.h"
#include "video/blit_clip.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// A rig whose draw surface holds one decoded frame of `width` x `height`.
void show_one_frame(VideoRig& rig, int16_t width, int16_t height) {
    setup_display(*rig.video);
    auto payload = dct_payload(width, height);
    ASSERT_TRUE(decode_video_frame(*rig.video, video_payload(VIDEO_MNB, payload)));
    present_frame(*rig.video);
}

bool same_rect(const DisplayRect& rect, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return rect.left == left && rect.top == top && rect.right == right && rect.bottom == bottom;
}

TEST(PresentPlacement, CentredDoubleWidthScanLinesWriteEvenRowsOnly) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480,
                 PLAY_CENTRE_X | PLAY_CENTRE_Y | PLAY_DOUBLE_WIDTH | PLAY_SCANLINES);
    show_one_frame(rig, 320, 240);
    const std::vector<SoftBltRecord> blts = rig.primary_blts();
    ASSERT_EQ(blts.size(), 240u);
    for (size_t i = 0; i < blts.size(); ++i) {
        const auto row = static_cast<int32_t>(i);
        EXPECT_TRUE(same_rect(blts[i].dest, 0, 2 * row, 640, 2 * row + 1)) << i;
        EXPECT_TRUE(same_rect(blts[i].source_rect, 0, row, 640, row + 1)) << i;
        EXPECT_EQ(blts[i].source, rig.params.draw_surface);
        EXPECT_EQ(blts[i].flags, BLT_WAIT);
    }
}

TEST(PresentPlacement, DoubleRowsFillEveryRowWithEachSourceRowTwice) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480,
                 PLAY_CENTRE_X | PLAY_CENTRE_Y | PLAY_DOUBLE_WIDTH | PLAY_DOUBLE_ROWS);
    show_one_frame(rig, 320, 240);
    const std::vector<SoftBltRecord> blts = rig.primary_blts();
    ASSERT_EQ(blts.size(), 480u);
    for (size_t i = 0; i < blts.size(); ++i) {
        const auto row = static_cast<int32_t>(i);
        EXPECT_TRUE(same_rect(blts[i].dest, 0, row, 640, row + 1)) << i;
        EXPECT_TRUE(same_rect(blts[i].source_rect, 0, row / 2, 640, row / 2 + 1)) << i;
    }
}

TEST(PresentPlacement, ScanLinesWinOverDoubleRows) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_SCANLINES | PLAY_DOUBLE_ROWS);
    show_one_frame(rig, 32, 16);
    EXPECT_EQ(rig.primary_blts().size(), 16u);
}

TEST(PresentPlacement, OddDifferenceIsHalvedDownwards) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_CENTRE_X | PLAY_DEST_WIDTH);
    rig.params.dest_width = 321;
    show_one_frame(rig, 32, 16);
    ASSERT_EQ(rig.primary_blts().size(), 1u);
    EXPECT_TRUE(same_rect(rig.primary_blts()[0].dest, 159, 0, 480, 16));
    EXPECT_TRUE(same_rect(rig.primary_blts()[0].source_rect, 0, 0, 32, 16));
}

TEST(PresentPlacement, OffsetsAndExplicitSizesStretch) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480,
                 PLAY_X_OFFSET | PLAY_Y_OFFSET | PLAY_DEST_WIDTH | PLAY_DEST_HEIGHT);
    rig.params.x_offset = 10;
    rig.params.y_offset = 20;
    rig.params.dest_width = 64;
    rig.params.dest_height = 48;
    show_one_frame(rig, 32, 16);
    ASSERT_EQ(rig.primary_blts().size(), 1u);
    EXPECT_TRUE(same_rect(rig.primary_blts()[0].dest, 10, 20, 74, 68));
    EXPECT_TRUE(same_rect(rig.primary_blts()[0].source_rect, 0, 0, 32, 16));
}

TEST(PresentPlacement, RowModesDrawTwiceTheFrameHeightWhateverTheDestinationHeight) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_DOUBLE_ROWS | PLAY_DEST_HEIGHT | PLAY_CENTRE_Y);
    rig.params.dest_height = 100;
    show_one_frame(rig, 32, 16);
    const std::vector<SoftBltRecord> blts = rig.primary_blts();
    ASSERT_EQ(blts.size(), 32u);
    // Centred on 2 x 100 rows: (480 - 200) / 2.
    EXPECT_EQ(blts.front().dest.top, 140);
    EXPECT_EQ(blts.back().dest.bottom, 172);
}

TEST(PresentClipping, DestinationLargerThanTheDisplayDrawsOnlyWhatFits) {
    VideoRig rig(SOFT_PIXELS_565, 320, 200, PLAY_CENTRE_X | PLAY_CENTRE_Y);
    show_one_frame(rig, 400, 240);
    ASSERT_EQ(rig.primary_blts().size(), 1u);
    EXPECT_TRUE(same_rect(rig.primary_blts()[0].dest, 0, 0, 320, 200));
    // (320 - 400) >> 1 = -40 and (200 - 240) >> 1 = -20: the source moves the same way.
    EXPECT_TRUE(same_rect(rig.primary_blts()[0].source_rect, 40, 20, 360, 220));
}

TEST(PresentClipping, ScanLinesOffTheDisplayAreNotCopied) {
    VideoRig rig(SOFT_PIXELS_565, 640, 100, PLAY_CENTRE_Y | PLAY_SCANLINES);
    show_one_frame(rig, 32, 80);
    const std::vector<SoftBltRecord> blts = rig.primary_blts();
    // 160 rows centred on 100: top -30; even rows -30 .. 128 of which 0 .. 98 are visible.
    ASSERT_EQ(blts.size(), 50u);
    EXPECT_EQ(blts.front().dest.top, 0);
    EXPECT_EQ(blts.front().source_rect.top, 15);
    EXPECT_EQ(blts.back().dest.top, 98);
}

TEST(PresentClipping, DestinationEntirelyOffTheDisplayDrawsNothing) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_X_OFFSET);
    rig.params.x_offset = 700;
    show_one_frame(rig, 32, 16);
    EXPECT_TRUE(rig.primary_blts().empty());
}

TEST(PresentClipping, EmptyOrNegativeDestinationSizesDrawNothing) {
    for (int32_t size : {0, -64}) {
        VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_DEST_WIDTH);
        rig.params.dest_width = size;
        show_one_frame(rig, 32, 16);
        EXPECT_TRUE(rig.primary_blts().empty());
    }
}

TEST(PresentClipping, StretchedEdgeKeepsPartlyVisibleSourcePixels) {
    DisplayRect dest{};
    DisplayRect source{};
    ASSERT_TRUE(clip_blit({-3, 61, 0, 32}, {0, 1, 0, 1}, 640, 480, 32, 1, dest, source));
    EXPECT_EQ(dest.left, 0);
    EXPECT_EQ(dest.right, 61);
    EXPECT_EQ(source.left, 1);
    EXPECT_EQ(source.right, 32);
    EXPECT_FALSE(clip_blit({0, 10, 5, 5}, {0, 1, 0, 1}, 640, 480, 32, 1, dest, source));
}

TEST(PresentPalette, EightBitDisplayUploadsTheRkdPaletteAfterTheVerticalBlank) {
    VideoRig rig(SOFT_PIXELS_INDEXED8, 640, 480);
    setup_display(*rig.video);
    for (int i = 0; i < 768; ++i) {
        rig.video->rkd.palette[i] = static_cast<uint8_t>(i);
    }
    rig.params.brightness = 50;
    auto key = rkd_key_payload(32, 16);
    ASSERT_TRUE(decode_video_frame(*rig.video, video_payload(VIDEO_RKD_KEY, key)));
    present_frame(*rig.video);
    EXPECT_EQ(rig.backend.counters().vertical_blank_waits, 1);
    EXPECT_EQ(rig.backend.counters().set_entries_calls, 1);
    PaletteEntry entries[256] = {};
    ASSERT_EQ(rig.video->primary_palette->get_entries(0, 0, 256, entries), PLATFORM_OK);
    // Unscaled by brightness.
    EXPECT_EQ(entries[5].red, 15);
    EXPECT_EQ(entries[5].green, 16);
    EXPECT_EQ(entries[5].blue, 17);
    EXPECT_EQ(entries[5].flags, 0);
    EXPECT_EQ(rig.primary_blts().size(), 1u);
}

TEST(PresentPalette, DroppedFrameIsNotPresented) {
    VideoRig rig(SOFT_PIXELS_INDEXED8, 640, 480);
    setup_display(*rig.video);
    auto key = rkd_key_payload(32, 16);
    decode_video_frame(*rig.video, video_payload(VIDEO_RKD_KEY, key));
    rig.backend.faults().surface_lock = 100;
    decode_video_frame(*rig.video, video_payload(VIDEO_RKD_KEY, key));
    present_frame(*rig.video);
    EXPECT_EQ(rig.backend.counters().vertical_blank_waits, 0);
    EXPECT_TRUE(rig.primary_blts().empty());
}

TEST(PresentPlacement, UnknownDisplaySizeDrawsNothing) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    // The one description setup_display asks of the primary surface fails.
    rig.backend.faults().surface_desc = 1;
    show_one_frame(rig, 32, 16);
    EXPECT_TRUE(rig.primary_blts().empty());
}

}  // namespace

}  // namespace qx

#include <gtest/gtest.h>

#include "base/memory.h"
#include "platform/soft/soft_pixel_format.h"
#include "tests/video/video_rig.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

struct ExpectedFormat {
    SoftPixelFormat format;
    int32_t bits[3];
    int32_t shifts[3];
    int32_t colour_bits;
};

TEST(DisplaySetup, DerivesBitsAndShiftsFromThePrimarySurface) {
    const ExpectedFormat cases[] = {
        {SOFT_PIXELS_565, {5, 6, 5}, {11, 5, 0}, 16},
        {SOFT_PIXELS_555, {5, 5, 5}, {10, 5, 0}, 15},
        {SOFT_PIXELS_888, {8, 8, 8}, {16, 8, 0}, 24},
    };
    for (const ExpectedFormat& expected : cases) {
        VideoRig rig(expected.format, 640, 480);
        setup_display(*rig.video);
        const PlayParams& params = rig.params;
        EXPECT_EQ(params.red_bits, expected.bits[0]);
        EXPECT_EQ(params.green_bits, expected.bits[1]);
        EXPECT_EQ(params.blue_bits, expected.bits[2]);
        EXPECT_EQ(params.red_shift, expected.shifts[0]);
        EXPECT_EQ(params.green_shift, expected.shifts[1]);
        EXPECT_EQ(params.blue_shift, expected.shifts[2]);
        EXPECT_EQ(params.colour_bits, expected.colour_bits);
        const PixelFormat format = soft_describe_pixel_format(expected.format);
        EXPECT_EQ(params.rgb_mask, format.red_mask | format.green_mask | format.blue_mask);
        EXPECT_EQ(rig.video->display_width, 640);
        EXPECT_EQ(rig.video->display_height, 480);
        EXPECT_EQ(rig.video->display_ready, 1);
        EXPECT_EQ(rig.video->display_unsupported, 0);
    }
}

TEST(DisplaySetup, MaskBitThirtyOneIsNotCounted) {
    PixelFormat format = soft_describe_pixel_format(SOFT_PIXELS_888);
    format.red_mask = 0xFF000000u;
    VideoRig rig(format, 640, 480);
    setup_display(*rig.video);
    EXPECT_EQ(rig.params.red_bits, 7);
    EXPECT_EQ(rig.params.red_shift, 24);
}

TEST(DisplaySetup, EightBitDisplayGetsTwoZeroPalettesAndKeepsComponentFields) {
    VideoRig rig(SOFT_PIXELS_INDEXED8, 640, 480);
    rig.params.red_bits = 3;
    rig.params.green_shift = 7;
    setup_display(*rig.video);
    EXPECT_EQ(rig.params.colour_bits, 8);
    EXPECT_EQ(rig.params.red_bits, 3);
    EXPECT_EQ(rig.params.green_shift, 7);
    ASSERT_EQ(rig.backend.palette_flags().size(), 2u);
    for (uint32_t flags : rig.backend.palette_flags()) {
        EXPECT_EQ(flags, 0x44u);
    }
    for (DisplayPalette* palette : {rig.video->primary_palette, rig.video->back_palette}) {
        ASSERT_NE(palette, nullptr);
        PaletteEntry entries[256];
        ASSERT_EQ(palette->get_entries(0, 0, 256, entries), PLATFORM_OK);
        for (const PaletteEntry& entry : entries) {
            EXPECT_EQ(entry.red | entry.green | entry.blue | entry.flags, 0);
        }
    }
    // Each surface shows its own palette: a mark in one appears on that surface alone.
    const PaletteEntry mark{1, 2, 3, 0};
    rig.video->primary_palette->set_entries(0, 7, 1, &mark);
    EXPECT_EQ(rig.backend.surface_image(rig.primary).palette.at(7).red, 1);
    EXPECT_EQ(rig.backend.surface_image(rig.back).palette.at(7).red, 0);
    rig.video->back_palette->set_entries(0, 9, 1, &mark);
    EXPECT_EQ(rig.backend.surface_image(rig.back).palette.at(9).red, 1);
    EXPECT_EQ(rig.backend.surface_image(rig.primary).palette.at(9).red, 0);
}

TEST(DisplaySetup, ReleasedPalettesStayAttachedToTheApplicationsSurfaces) {
    VideoRig rig(SOFT_PIXELS_INDEXED8, 640, 480);
    setup_display(*rig.video);
    DisplayPalette* attached = rig.video->primary_palette;
    ASSERT_NE(attached, nullptr);
    const PaletteEntry mark{1, 2, 3, 0};
    attached->set_entries(0, 7, 1, &mark);
    const uint32_t held = attached->add_ref();
    attached->release();
    release_display(*rig.video);
    EXPECT_EQ(rig.video->primary_palette, nullptr);
    EXPECT_EQ(rig.backend.surface_image(rig.primary).palette.at(7).red, 1);
    // The surface holds its reference; the player's own is gone.
    EXPECT_EQ(attached->add_ref(), held - 1);
    attached->release();
}

TEST(DisplaySetup, BrightnessIsResetUnlessKept) {
    VideoRig reset(SOFT_PIXELS_565, 640, 480);
    reset.params.brightness = 130;
    setup_display(*reset.video);
    EXPECT_EQ(reset.params.brightness, 100);

    VideoRig kept(SOFT_PIXELS_565, 640, 480, PLAY_KEEP_BRIGHTNESS);
    kept.params.brightness = 130;
    setup_display(*kept.video);
    EXPECT_EQ(kept.params.brightness, 130);
}

TEST(DisplaySetup, AudioOnlyMovieSetsNothingAndReleasesNothing) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    rig.params.audio_only = 1;
    rig.video->rkd.rkd_frame = static_cast<uint8_t*>(memory_allocate_zeroed(16));
    setup_display(*rig.video);
    EXPECT_EQ(rig.video->display_ready, 0);
    EXPECT_EQ(rig.params.colour_bits, 0);
    release_display(*rig.video);
    EXPECT_NE(rig.video->rkd.rkd_frame, nullptr);
    memory_free(rig.video->rkd.rkd_frame);
    rig.video->rkd.rkd_frame = nullptr;
}

TEST(DisplaySetup, ApplicationBuffersReadNothingFromTheDisplay) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 15;
    rig.params.red_bits = 5;
    setup_display(*rig.video);
    EXPECT_EQ(rig.params.colour_bits, 15);
    EXPECT_EQ(rig.video->display_width, 0);
    EXPECT_TRUE(rig.backend.palette_flags().empty());
    EXPECT_EQ(rig.video->display_ready, 1);
}

TEST(DisplaySetup, SwappingTwiceRestoresBothPairs) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_APP_BUFFERS);
    uint8_t first[4];
    uint8_t second[4];
    rig.params.draw_buffer = first;
    rig.params.reference_buffer = second;
    rig.params.draw_surface = rig.primary;
    rig.params.reference_surface = rig.back;
    swap_work_surfaces(*rig.video);
    EXPECT_EQ(rig.params.draw_buffer, second);
    EXPECT_EQ(rig.params.draw_surface, rig.back);
    swap_work_surfaces(*rig.video);
    EXPECT_EQ(rig.params.draw_buffer, first);
    EXPECT_EQ(rig.params.reference_buffer, second);
    EXPECT_EQ(rig.params.draw_surface, rig.primary);
    EXPECT_EQ(rig.params.reference_surface, rig.back);
    rig.params.draw_surface = rig.params.reference_surface = nullptr;
}

TEST(DisplaySetup, ReleaseFreesRkdBuffersSurfacesAndPackedPictures) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    const int64_t live_before = memory_counters().live_blocks;
    VideoOutput& video = *rig.video;
    video.rkd.rkd_frame = static_cast<uint8_t*>(memory_allocate_zeroed(64));
    video.rkd.rkd_prev_frame = static_cast<uint8_t*>(memory_allocate_zeroed(64));
    video.rkd.rkd_blocks = static_cast<uint8_t*>(memory_allocate_zeroed(64));
    video.rkd.rkd_block_map = static_cast<int32_t*>(memory_allocate_zeroed(64));
    auto payload = dct_payload(32, 16);
    decode_video_frame(video, video_payload(VIDEO_MNB, payload));
    ASSERT_NE(rig.params.draw_surface, nullptr);
    EXPECT_GT(memory_counters().live_blocks, live_before);
    release_display(video);
    EXPECT_EQ(memory_counters().live_blocks, live_before);
    EXPECT_EQ(rig.params.draw_surface, nullptr);
    EXPECT_EQ(video.display_ready, 0);
    release_display(video);
}

TEST(DisplaySetupRefusal, ZeroMaskPlaysWithoutPictures) {
    PixelFormat format = soft_describe_pixel_format(SOFT_PIXELS_565);
    format.green_mask = 0;
    VideoRig rig(format, 640, 480);
    setup_display(*rig.video);
    EXPECT_EQ(rig.video->display_unsupported, 1);
    EXPECT_EQ(rig.video->display_ready, 1);
    EXPECT_EQ(rig.params.green_bits, 0);
    EXPECT_EQ(rig.params.green_shift, 0);
    auto payload = dct_payload(32, 16);
    EXPECT_FALSE(decode_video_frame(*rig.video, video_payload(VIDEO_MNB, payload)));
    present_frame(*rig.video);
    EXPECT_TRUE(rig.created().empty());
    EXPECT_TRUE(rig.primary_blts().empty());
}

TEST(DisplaySetupRefusal, ComponentsWiderThanEightBitsAreRefused) {
    PixelFormat format{};
    format.rgb_bit_count = 32;
    format.red_mask = 0x3FF00000;
    format.green_mask = 0x000FFC00;
    format.blue_mask = 0x000003FF;
    VideoRig rig(format, 640, 480);
    setup_display(*rig.video);
    EXPECT_EQ(rig.video->display_unsupported, 1);
    // Cleared, so that a later table rebuild shifts by defined amounts.
    EXPECT_EQ(rig.params.red_bits, 0);
}

TEST(DisplaySetupRefusal, ApplicationFieldsOutOfRangeAreRefused) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 16;
    rig.params.red_bits = 5;
    rig.params.red_shift = 40;
    setup_display(*rig.video);
    EXPECT_EQ(rig.video->display_unsupported, 1);
    EXPECT_EQ(rig.params.red_shift, 0);
}

TEST(DisplaySetup, FailedDescriptionLeavesTheDisplaySizeAtZero) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    // The one description setup_display asks of the primary surface fails.
    rig.backend.faults().surface_desc = 1;
    setup_display(*rig.video);
    EXPECT_EQ(rig.video->display_width, 0);
    EXPECT_EQ(rig.params.colour_bits, 16);
}

}  // namespace

}  // namespace qx

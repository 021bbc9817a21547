#include <gtest/gtest.h>

#include "tests/video/video_rig.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"
#include "video/work_surfaces.h"

namespace {

bool decode(VideoRig& rig, int32_t kind, std::vector<uint8_t>& payload) {
    return decode_video_frame(*rig.context, video_slot(kind, payload));
}

TEST(FrameDispatchHeaders, DctHeadersSetSizeQualityAndZleFlags) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto zle = dct_payload(48, 32, 9, 0x03);
    EXPECT_TRUE(decode(rig, VIDEO_ZLE, zle));
    EXPECT_EQ(rig.context->video.frame_width, 48);
    EXPECT_EQ(rig.context->video.frame_height, 32);
    EXPECT_EQ(rig.context->video.quality, 9);
    EXPECT_EQ(rig.context->video.zle_channel_conversion, 2);
    EXPECT_EQ(rig.context->video.zle_all_intra, 1);
}

TEST(FrameDispatchHeaders, InterFrameKeepsTheKeyFrameSize) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto key = rkd_key_payload(64, 40);
    EXPECT_TRUE(decode(rig, VIDEO_RKD_KEY, key));
    auto inter = rkd_inter_payload(64, 40);
    ASSERT_FALSE(inter.empty());
    EXPECT_TRUE(decode(rig, VIDEO_RKD_INTER, inter));
    EXPECT_EQ(rig.context->video.frame_width, 64);
    EXPECT_EQ(rig.context->video.frame_height, 40);
}

TEST(FrameDispatchSurfaces, CreatedOnceOnTheFirstFrameWithTheFrameSize) {
    VideoRig rig(rgb565_format(), 640, 480, PLAY_DOUBLE_WIDTH);
    setup_display(*rig.context);
    auto payload = dct_payload(320, 240);
    decode(rig, VIDEO_MNB, payload);
    decode(rig, VIDEO_MNB, payload);
    ASSERT_EQ(rig.display->created.size(), 2u);
    for (const SurfaceDesc& desc : rig.display->created) {
        EXPECT_EQ(desc.size, 108u);
        EXPECT_EQ(desc.flags, 7u);
        EXPECT_EQ(desc.width, 640u);
        EXPECT_EQ(desc.height, 240u);
        EXPECT_EQ(desc.caps, 0x40u);
    }
    EXPECT_EQ(rig.params.draw_surface, rig.display->surfaces[0]);
    EXPECT_EQ(rig.params.reference_surface, rig.display->surfaces[1]);
}

TEST(FrameDispatchSurfaces, ExplicitDestinationSizeAsksForSystemMemory) {
    for (uint32_t flag : {PLAY_DEST_WIDTH, PLAY_DEST_HEIGHT}) {
        VideoRig rig(rgb565_format(), 640, 480, flag);
        setup_display(*rig.context);
        auto payload = dct_payload(32, 16);
        decode(rig, VIDEO_MNB, payload);
        ASSERT_FALSE(rig.display->created.empty());
        EXPECT_EQ(rig.display->created[0].caps, 0x840u);
    }
}

TEST(FrameDispatchSurfaces, LargerFrameRecreatesLargerSurfacesAndSmallerOneKeepsThem) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto small = dct_payload(32, 64);
    auto wide = dct_payload(96, 16);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, small));
    EXPECT_TRUE(decode(rig, VIDEO_MNB, wide));
    ASSERT_EQ(rig.display->created.size(), 4u);
    EXPECT_EQ(rig.display->created[2].width, 96u);
    EXPECT_EQ(rig.display->created[2].height, 64u);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, small));
    EXPECT_EQ(rig.display->created.size(), 4u);
    EXPECT_GE(rig.context->video.packed_bytes, 96u * 2 * 16);
}

TEST(FrameDispatchSurfaces, UnknownKindStillLocksAndUnlocks) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto first = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, first);
    std::vector<uint8_t> odd = {1, 2, 3};
    const int locks = rig.draw().locks;
    EXPECT_TRUE(decode(rig, 9, odd));
    EXPECT_EQ(rig.draw().locks, locks + 1);
    EXPECT_EQ(rig.draw().unlocks, locks + 1);
    EXPECT_FALSE(rig.draw().locked);
}

TEST(FrameDispatchSurfaces, PackedRowsLandAtTheSurfacePitch) {
    VideoRig rig(rgb565_format(), 640, 480, 0, 24);
    setup_display(*rig.context);
    auto first = dct_payload(16, 4);
    decode(rig, VIDEO_MNB, first);
    // An unknown kind shows the draw picture as it stands.
    for (uint32_t i = 0; i < 16 * 2 * 4; ++i) {
        rig.context->video.packed_draw[i] = static_cast<uint8_t>(i + 1);
    }
    std::vector<uint8_t> odd = {0};
    ASSERT_TRUE(decode(rig, 7, odd));
    FakeSurface& surface = rig.draw();
    ASSERT_EQ(surface.pitch, 16 * 2 + 24);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 32; ++column) {
            ASSERT_EQ(surface.row(row)[column], static_cast<uint8_t>(row * 32 + column + 1));
        }
        for (int pad = 32; pad < surface.pitch; ++pad) {
            ASSERT_EQ(surface.row(row)[pad], 0);
        }
    }
}

TEST(FrameDispatchSurfaces, LostSurfaceIsRestoredAndLockedAgain) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    rig.draw().lost = true;
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.draw().restores, 1);
    EXPECT_EQ(rig.context->video.frame_dropped, 0);
}

TEST(FrameDispatchFaults, LockRetriesAreBoundedAndTheNextFrameGoesOn) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    FakeSurface& surface = rig.draw();
    surface.lock_failures = 1000;
    const int calls = surface.lock_calls;
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(surface.lock_calls - calls, SURFACE_LOCK_ATTEMPTS);
    EXPECT_EQ(rig.context->video.frame_dropped, 1);
    surface.lock_failures = SURFACE_LOCK_ATTEMPTS - 1;
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
}

TEST(FrameDispatchFaults, SurfaceThatStaysLostDropsTheFrame) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    FakeSurface& surface = rig.draw();
    surface.lost = surface.stays_lost = true;
    const int calls = surface.lock_calls;
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(surface.lock_calls - calls, SURFACE_LOCK_ATTEMPTS);
    EXPECT_EQ(surface.restores, SURFACE_LOCK_ATTEMPTS);
    present_frame(*rig.context);
    EXPECT_TRUE(rig.primary->blts.empty());
}

TEST(FrameDispatchFaults, UnlockRetriesAreBounded) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    rig.draw().unlock_failures = 1000;
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.draw().unlock_failures, 1000 - SURFACE_LOCK_ATTEMPTS);
}

TEST(FrameDispatchFaults, BadFrameSizesAreDroppedWithoutSurfaces) {
    const int16_t sizes[][2] = {{0, 16}, {16, 0}, {-32, 16}, {16, -16}, {MAX_FRAME_SIDE + 16, 16}};
    for (const auto& size : sizes) {
        VideoRig rig(rgb565_format(), 640, 480);
        setup_display(*rig.context);
        auto payload = dct_payload(size[0], size[1]);
        EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
        EXPECT_TRUE(rig.display->created.empty());
        present_frame(*rig.context);
        EXPECT_TRUE(rig.primary->blts.empty());
    }
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto huge = rkd_key_payload(65535, 65535);
    EXPECT_FALSE(decode(rig, VIDEO_RKD_KEY, huge));
    std::vector<uint8_t> inter = {0};
    EXPECT_FALSE(decode(rig, VIDEO_RKD_INTER, inter)) << "no key frame gave a size";
}

TEST(FrameDispatchFaults, ShortHeadersAreDropped) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    auto good = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, good);
    for (int32_t kind : {VIDEO_MNB, VIDEO_ZLE}) {
        std::vector<uint8_t> payload = {64, 0, 64, 0, 4, 0, 0};
        EXPECT_FALSE(decode(rig, kind, payload));
        EXPECT_EQ(rig.context->video.frame_width, 32);
    }
    std::vector<uint8_t> key = {64, 0, 64};
    EXPECT_FALSE(decode(rig, VIDEO_RKD_KEY, key));
    EXPECT_EQ(rig.context->video.frame_width, 32);
}

TEST(FrameDispatchFaults, DctFramesAreSkippedOnEightBitSurfaces) {
    VideoRig rig(palette8_format(), 640, 480);
    setup_display(*rig.context);
    auto mnb = dct_payload(32, 16);
    EXPECT_FALSE(decode(rig, VIDEO_MNB, mnb));
    EXPECT_TRUE(rig.display->created.empty());
    auto key = rkd_key_payload(32, 16);
    EXPECT_TRUE(decode(rig, VIDEO_RKD_KEY, key));
    EXPECT_EQ(rig.context->video.surface_row_bytes, 32);
}

TEST(FrameDispatchFaults, NoPrimarySurfaceDecodesButPresentsNothing) {
    VideoRig rig(rgb565_format(), 640, 480);
    rig.params.primary_surface = nullptr;
    setup_display(*rig.context);
    auto payload = dct_payload(32, 16);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
    present_frame(*rig.context);
    EXPECT_TRUE(rig.primary->blts.empty());
}

TEST(FrameDispatchFaults, NoDisplayObjectDropsFramesCleanly) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    rig.params.display = nullptr;
    auto payload = dct_payload(32, 16);
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    present_frame(*rig.context);
    EXPECT_TRUE(rig.primary->blts.empty());
}

TEST(FrameDispatchFaults, FailedSurfaceCreationIsRetriedOnLaterFrames) {
    VideoRig rig(rgb565_format(), 640, 480);
    setup_display(*rig.context);
    rig.display->create_fails = true;
    auto payload = dct_payload(32, 16);
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.params.draw_surface, nullptr);
    rig.display->create_fails = false;
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
}

TEST(FrameDispatchAppBuffers, LocksNothingAndPresentsNothing) {
    VideoRig rig(rgb565_format(), 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 16;
    std::vector<uint8_t> draw(32 * 16 * 2);
    std::vector<uint8_t> reference(32 * 16 * 2);
    rig.params.draw_buffer = draw.data();
    rig.params.reference_buffer = reference.data();
    setup_display(*rig.context);
    auto payload = dct_payload(32, 16, 4, 0);
    EXPECT_TRUE(decode(rig, VIDEO_ZLE, payload));
    present_frame(*rig.context);
    EXPECT_TRUE(rig.display->created.empty());
    EXPECT_TRUE(rig.primary->blts.empty());
    EXPECT_EQ(rig.display->vertical_blank_waits, 0);
}

TEST(FrameDispatchAppBuffers, FrameLargerThanTheStatedBuffersIsDropped) {
    VideoRig rig(rgb565_format(), 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 16;
    std::vector<uint8_t> draw(32 * 16 * 2);
    rig.params.draw_buffer = draw.data();
    rig.params.reference_buffer = draw.data();
    rig.params.buffer_bytes = static_cast<uint32_t>(draw.size());
    setup_display(*rig.context);
    auto fits = dct_payload(32, 16);
    auto larger = dct_payload(32, 32);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, fits));
    EXPECT_FALSE(decode(rig, VIDEO_MNB, larger));
}

TEST(FrameDispatchGeometry, BytesPerPixelFollowTheDecoderOfTheKind) {
    VideoRig rig(palette8_format(), 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 8;
    rig.context->video.frame_width = 40;
    rig.context->video.frame_height = 8;
    PictureGeometry geometry{};
    ASSERT_TRUE(picture_geometry(*rig.context, VIDEO_RKD_KEY, geometry));
    EXPECT_EQ(geometry.row_bytes, 40u);
    ASSERT_TRUE(picture_geometry(*rig.context, VIDEO_ZLE, geometry));
    EXPECT_EQ(geometry.row_bytes, 80u);
    rig.params.flags |= PLAY_DOUBLE_WIDTH;
    ASSERT_TRUE(picture_geometry(*rig.context, VIDEO_RKD_INTER, geometry));
    EXPECT_EQ(geometry.width, 80);
    EXPECT_EQ(geometry.row_bytes, 80u);
    EXPECT_EQ(geometry.bytes, 640u);
    rig.params.colour_bits = 16;
    ASSERT_TRUE(picture_geometry(*rig.context, VIDEO_RKD_KEY, geometry));
    EXPECT_EQ(geometry.row_bytes, 160u);
}

}  // namespace

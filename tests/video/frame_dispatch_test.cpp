#include <gtest/gtest.h>

#include "tests/video/video_rig.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"
#include "video/work_surfaces.h"

namespace qx {

namespace {

bool decode(VideoRig& rig, int32_t kind, std::vector<uint8_t>& payload) {
    return decode_video_frame(*rig.video, video_payload(kind, payload));
}

TEST(FrameDispatchHeaders, DctHeadersSetSizeQualityAndZleFlags) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto zle = dct_payload(48, 32, 9, 0x03);
    EXPECT_TRUE(decode(rig, VIDEO_ZLE, zle));
    EXPECT_EQ(rig.video->frame_width, 48);
    EXPECT_EQ(rig.video->frame_height, 32);
    EXPECT_EQ(rig.video->quality, 9);
    EXPECT_EQ(rig.video->zle_channel_conversion, 2);
    EXPECT_EQ(rig.video->zle_all_intra, 1);
}

TEST(FrameDispatchHeaders, InterFrameKeepsTheKeyFrameSize) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto key = rkd_key_payload(64, 40);
    EXPECT_TRUE(decode(rig, VIDEO_RKD_KEY, key));
    auto inter = rkd_inter_payload(64, 40);
    ASSERT_FALSE(inter.empty());
    EXPECT_TRUE(decode(rig, VIDEO_RKD_INTER, inter));
    EXPECT_EQ(rig.video->frame_width, 64);
    EXPECT_EQ(rig.video->frame_height, 40);
}

TEST(FrameDispatchSurfaces, CreatedOnceOnTheFirstFrameWithTheFrameSize) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_DOUBLE_WIDTH);
    setup_display(*rig.video);
    auto payload = dct_payload(320, 240);
    decode(rig, VIDEO_MNB, payload);
    decode(rig, VIDEO_MNB, payload);
    const std::vector<SoftSurfaceRecord> created = rig.created();
    ASSERT_EQ(created.size(), 2u);
    for (const SoftSurfaceRecord& surface : created) {
        EXPECT_EQ(surface.desc_size, 108u);
        EXPECT_EQ(surface.desc_flags, 7u);
        EXPECT_EQ(surface.width, 640u);
        EXPECT_EQ(surface.height, 240u);
        EXPECT_EQ(surface.caps, 0x40u);
    }
    EXPECT_EQ(rig.params.draw_surface, created[0].surface);
    EXPECT_EQ(rig.params.reference_surface, created[1].surface);
}

TEST(FrameDispatchSurfaces, ExplicitDestinationSizeAsksForSystemMemory) {
    for (uint32_t flag : {PLAY_DEST_WIDTH, PLAY_DEST_HEIGHT}) {
        VideoRig rig(SOFT_PIXELS_565, 640, 480, flag);
        setup_display(*rig.video);
        auto payload = dct_payload(32, 16);
        decode(rig, VIDEO_MNB, payload);
        ASSERT_FALSE(rig.created().empty());
        EXPECT_EQ(rig.created()[0].caps, 0x840u);
    }
}

TEST(FrameDispatchSurfaces, LargerFrameRecreatesLargerSurfacesAndSmallerOneKeepsThem) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto small = dct_payload(32, 64);
    auto wide = dct_payload(96, 16);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, small));
    EXPECT_TRUE(decode(rig, VIDEO_MNB, wide));
    ASSERT_EQ(rig.created().size(), 4u);
    EXPECT_EQ(rig.created()[2].width, 96u);
    EXPECT_EQ(rig.created()[2].height, 64u);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, small));
    EXPECT_EQ(rig.created().size(), 4u);
    EXPECT_GE(rig.video->packed_bytes, 96u * 2 * 16);
}

TEST(FrameDispatchSurfaces, UnknownKindStillLocksAndUnlocks) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto first = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, first);
    std::vector<uint8_t> odd = {1, 2, 3};
    const SoftCounters before = rig.backend.counters();
    EXPECT_TRUE(decode(rig, 9, odd));
    EXPECT_EQ(rig.backend.counters().surface_locks, before.surface_locks + 1);
    EXPECT_EQ(rig.backend.counters().surface_unlocks, before.surface_unlocks + 1);
    SurfaceDesc desc;
    ASSERT_EQ(rig.params.draw_surface->lock(nullptr, desc, 0), PLATFORM_OK) << "left locked";
    rig.params.draw_surface->unlock(desc.memory);
}

TEST(FrameDispatchSurfaces, PackedRowsLandAtTheSurfacePitch) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, 0, 24);
    setup_display(*rig.video);
    auto first = dct_payload(16, 4);
    decode(rig, VIDEO_MNB, first);
    // An unknown kind shows the draw picture as it stands.
    for (uint32_t i = 0; i < 16 * 2 * 4; ++i) {
        rig.video->packed_draw[i] = static_cast<uint8_t>(i + 1);
    }
    std::vector<uint8_t> odd = {0};
    ASSERT_TRUE(decode(rig, 7, odd));
    SurfaceDesc surface;
    ASSERT_EQ(rig.params.draw_surface->lock(nullptr, surface, 0), PLATFORM_OK);
    ASSERT_EQ(surface.pitch, 16 * 2 + 24);
    for (int row = 0; row < 4; ++row) {
        const uint8_t* pixels = static_cast<const uint8_t*>(surface.memory) + row * surface.pitch;
        for (int column = 0; column < 32; ++column) {
            ASSERT_EQ(pixels[column], static_cast<uint8_t>(row * 32 + column + 1));
        }
        for (int pad = 32; pad < surface.pitch; ++pad) {
            ASSERT_EQ(pixels[pad], 0);
        }
    }
    rig.params.draw_surface->unlock(surface.memory);
}

TEST(FrameDispatchSurfaces, LostSurfaceIsRestoredAndLockedAgain) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    rig.backend.lose_surface(rig.params.draw_surface);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.backend.counters().surface_restores, 1);
    EXPECT_EQ(rig.video->frame_dropped, 0);
}

TEST(FrameDispatchFaults, LockRetriesAreBoundedAndTheNextFrameGoesOn) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    rig.backend.faults().surface_lock = 1000;
    const int32_t calls = rig.backend.counters().surface_locks;
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.backend.counters().surface_locks - calls, SURFACE_LOCK_ATTEMPTS);
    EXPECT_EQ(rig.video->frame_dropped, 1);
    rig.backend.faults().surface_lock = SURFACE_LOCK_ATTEMPTS - 1;
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
}

TEST(FrameDispatchFaults, SurfaceThatStaysLostDropsTheFrame) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    rig.backend.lose_surface(rig.params.draw_surface);
    rig.backend.faults().surface_restore = SOFT_FAULT_ALWAYS;
    const int32_t calls = rig.backend.counters().surface_locks;
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.backend.counters().surface_locks - calls, SURFACE_LOCK_ATTEMPTS);
    EXPECT_EQ(rig.backend.counters().surface_restores, SURFACE_LOCK_ATTEMPTS);
    present_frame(*rig.video);
    EXPECT_TRUE(rig.primary_blts().empty());
}

TEST(FrameDispatchFaults, UnlockRetriesAreBounded) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto payload = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, payload);
    rig.backend.faults().surface_unlock = 1000;
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.backend.faults().surface_unlock, 1000 - SURFACE_LOCK_ATTEMPTS);
}

TEST(FrameDispatchFaults, BadFrameSizesAreDroppedWithoutSurfaces) {
    const int16_t sizes[][2] = {{0, 16}, {16, 0}, {-32, 16}, {16, -16}, {MAX_FRAME_SIDE + 16, 16}};
    for (const auto& size : sizes) {
        VideoRig rig(SOFT_PIXELS_565, 640, 480);
        setup_display(*rig.video);
        auto payload = dct_payload(size[0], size[1]);
        EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
        EXPECT_TRUE(rig.created().empty());
        present_frame(*rig.video);
        EXPECT_TRUE(rig.primary_blts().empty());
    }
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto huge = rkd_key_payload(65535, 65535);
    EXPECT_FALSE(decode(rig, VIDEO_RKD_KEY, huge));
    std::vector<uint8_t> inter = {0};
    EXPECT_FALSE(decode(rig, VIDEO_RKD_INTER, inter)) << "no key frame gave a size";
}

TEST(FrameDispatchFaults, ShortHeadersAreDropped) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    auto good = dct_payload(32, 16);
    decode(rig, VIDEO_MNB, good);
    for (int32_t kind : {VIDEO_MNB, VIDEO_ZLE}) {
        std::vector<uint8_t> payload = {64, 0, 64, 0, 4, 0, 0};
        EXPECT_FALSE(decode(rig, kind, payload));
        EXPECT_EQ(rig.video->frame_width, 32);
    }
    std::vector<uint8_t> key = {64, 0, 64};
    EXPECT_FALSE(decode(rig, VIDEO_RKD_KEY, key));
    EXPECT_EQ(rig.video->frame_width, 32);
}

TEST(FrameDispatchFaults, DctFramesAreSkippedOnEightBitSurfaces) {
    VideoRig rig(SOFT_PIXELS_INDEXED8, 640, 480);
    setup_display(*rig.video);
    auto mnb = dct_payload(32, 16);
    EXPECT_FALSE(decode(rig, VIDEO_MNB, mnb));
    EXPECT_TRUE(rig.created().empty());
    auto key = rkd_key_payload(32, 16);
    EXPECT_TRUE(decode(rig, VIDEO_RKD_KEY, key));
    EXPECT_EQ(rig.video->surface_row_bytes, 32);
}

TEST(FrameDispatchFaults, NoPrimarySurfaceDecodesButPresentsNothing) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    rig.params.primary_surface = nullptr;
    setup_display(*rig.video);
    auto payload = dct_payload(32, 16);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
    present_frame(*rig.video);
    EXPECT_TRUE(rig.primary_blts().empty());
}

TEST(FrameDispatchFaults, NoDisplayObjectDropsFramesCleanly) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    rig.params.display = nullptr;
    auto payload = dct_payload(32, 16);
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    present_frame(*rig.video);
    EXPECT_TRUE(rig.primary_blts().empty());
}

TEST(FrameDispatchFaults, FailedSurfaceCreationIsRetriedOnLaterFrames) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480);
    setup_display(*rig.video);
    rig.backend.faults().surface_create = SOFT_FAULT_ALWAYS;
    auto payload = dct_payload(32, 16);
    EXPECT_FALSE(decode(rig, VIDEO_MNB, payload));
    EXPECT_EQ(rig.params.draw_surface, nullptr);
    rig.backend.faults().surface_create = 0;
    EXPECT_TRUE(decode(rig, VIDEO_MNB, payload));
}

TEST(FrameDispatchAppBuffers, LocksNothingAndPresentsNothing) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 16;
    std::vector<uint8_t> draw(32 * 16 * 2);
    std::vector<uint8_t> reference(32 * 16 * 2);
    rig.params.draw_buffer = draw.data();
    rig.params.reference_buffer = reference.data();
    setup_display(*rig.video);
    auto payload = dct_payload(32, 16, 4, 0);
    EXPECT_TRUE(decode(rig, VIDEO_ZLE, payload));
    present_frame(*rig.video);
    EXPECT_TRUE(rig.created().empty());
    EXPECT_TRUE(rig.primary_blts().empty());
    EXPECT_EQ(rig.backend.counters().vertical_blank_waits, 0);
}

TEST(FrameDispatchAppBuffers, FrameLargerThanTheStatedBuffersIsDropped) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 16;
    std::vector<uint8_t> draw(32 * 16 * 2);
    rig.params.draw_buffer = draw.data();
    rig.params.reference_buffer = draw.data();
    rig.params.buffer_bytes = static_cast<uint32_t>(draw.size());
    setup_display(*rig.video);
    auto fits = dct_payload(32, 16);
    auto larger = dct_payload(32, 32);
    EXPECT_TRUE(decode(rig, VIDEO_MNB, fits));
    EXPECT_FALSE(decode(rig, VIDEO_MNB, larger));
}

TEST(FrameDispatchGeometry, BytesPerPixelFollowTheDecoderOfTheKind) {
    VideoRig rig(SOFT_PIXELS_INDEXED8, 640, 480, PLAY_APP_BUFFERS);
    rig.params.colour_bits = 8;
    rig.video->frame_width = 40;
    rig.video->frame_height = 8;
    PictureGeometry geometry{};
    ASSERT_TRUE(picture_geometry(*rig.video, VIDEO_RKD_KEY, geometry));
    EXPECT_EQ(geometry.row_bytes, 40u);
    ASSERT_TRUE(picture_geometry(*rig.video, VIDEO_ZLE, geometry));
    EXPECT_EQ(geometry.row_bytes, 80u);
    rig.video->target.options.double_width = true;
    ASSERT_TRUE(picture_geometry(*rig.video, VIDEO_RKD_INTER, geometry));
    EXPECT_EQ(geometry.width, 80);
    EXPECT_EQ(geometry.row_bytes, 80u);
    EXPECT_EQ(geometry.bytes, 640u);
    rig.params.colour_bits = 16;
    ASSERT_TRUE(picture_geometry(*rig.video, VIDEO_RKD_KEY, geometry));
    EXPECT_EQ(geometry.row_bytes, 160u);
}

}  // namespace

}  // namespace qx

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "player/player.h"
#include "tests/video/video_rig.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// The application changes the brightness from its own thread while the player thread decodes
// and presents: no race on the tables or the parameter block.
TEST(FrameDispatchConcurrency, BrightnessChangesWhileFramesDecode) {
    VideoRig rig(SOFT_PIXELS_565, 640, 480, PLAY_CENTRE_X | PLAY_CENTRE_Y | PLAY_KEEP_BRIGHTNESS);
    setup_display(*rig.video);
    std::atomic<bool> decoding{true};
    std::thread application([&] {
        for (int32_t percent = 0; decoding.load(); percent = (percent + 7) % 200) {
            player_set_brightness(rig.params, percent);
        }
    });
    auto mnb = dct_payload(64, 32);
    auto zle = dct_payload(64, 32, 4, 0x02);
    int decoded = 0;
    for (int frame = 0; frame < 200; ++frame) {
        auto& payload = frame % 2 ? zle : mnb;
        decoded += decode_video_frame(*rig.video,
                                      video_payload(frame % 2 ? VIDEO_ZLE : VIDEO_MNB, payload));
        present_frame(*rig.video);
        swap_work_surfaces(*rig.video);
    }
    decoding = false;
    application.join();
    EXPECT_EQ(decoded, 200);
    EXPECT_EQ(rig.primary_blts().size(), 200u);
}

}  // namespace

}  // namespace qx

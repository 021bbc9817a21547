#include "tools/qx/play_controls.h"

#include <gtest/gtest.h>

#include "tools/qx/controls_timer.h"

namespace qx {

namespace {

using namespace std::chrono_literals;

TEST(PlayControls, TheTrackSpansTheBarAndMapsOntoTheMovie) {
    const ControlsLayout layout = controls_layout(640, 480);
    EXPECT_EQ(layout.bar.y + layout.bar.height, 480);
    EXPECT_EQ(layout.bar.width, 640);
    EXPECT_GE(layout.bar.height, 30) << "big enough to hit";
    EXPECT_GT(layout.track.y, layout.bar.y);
    EXPECT_LT(layout.text_top + layout.text_height, 481);
    EXPECT_EQ(track_frame(layout, layout.track.x, 240), 0);
    EXPECT_EQ(track_frame(layout, layout.track.x + layout.track.width / 2, 240), 120);
    EXPECT_EQ(track_frame(layout, -50, 240), 0);
    EXPECT_EQ(track_frame(layout, 639, 240), 239);
    EXPECT_EQ(track_frame(layout, 320, 0), 0);
    // A tiny window keeps a bar inside itself.
    const ControlsLayout tiny = controls_layout(20, 12);
    EXPECT_GE(tiny.bar.y, 0);
    EXPECT_GT(tiny.track.width, 0);
}

TEST(PlayControls, TheBarTellsTimeStepAndState) {
    PlayControls controls;
    controls.status.timed = true;
    controls.status.position_ms = 5000;
    controls.status.duration_ms = 16000;
    controls.status.frame = 75;
    controls.status.frames = 240;
    controls.status.paused = true;
    controls.status.brightness = 80;
    controls.volume = 55;
    EXPECT_EQ(controls_time_text(controls), "0:05 / 0:16");
    controls.frame_shown = true;
    EXPECT_EQ(controls_time_text(controls), "0:05 / 0:16  frame 75");
    EXPECT_EQ(controls_state_text(controls), "paused  volume 55%  brightness 80%");
    EXPECT_DOUBLE_EQ(track_played(controls.status), 5000.0 / 16000);
    controls.status.timed = false;
    EXPECT_EQ(controls_time_text(controls), "frame 76 / 240");
    EXPECT_DOUBLE_EQ(track_played(controls.status), 76.0 / 240);
}

TEST(ControlsTimer, TheBarGoesTwoSecondsAfterTheLastTouchUnlessThePointerRestsOnIt) {
    const auto start = ControlsTimer::Clock::time_point{} + 100s;
    ControlsTimer timer;
    EXPECT_FALSE(timer.bar_shown(start, false));
    EXPECT_EQ(timer.next_change(start), ControlsTimer::Clock::time_point::max());
    timer.touch(start);
    timer.touch(start + 1500ms);
    EXPECT_TRUE(timer.bar_shown(start + 3400ms, false));
    EXPECT_FALSE(timer.bar_shown(start + 3500ms, false));
    EXPECT_TRUE(timer.bar_shown(start + 60s, true));
    EXPECT_EQ(timer.next_change(start + 2s), start + 3500ms);
    timer.say("saved x.png", start + 4s);
    EXPECT_EQ(timer.message(start + 7s), "saved x.png");
    EXPECT_EQ(timer.message(start + 8s), "");
    EXPECT_EQ(timer.next_change(start + 6100ms), start + 8s);
}

}  // namespace

}  // namespace qx

#include <gtest/gtest.h>

#include "tools/qx/play_status.h"

namespace qx {

TEST(PlayToolStatus, LineShowsPositionDurationAndState) {
    PlayStatus status;
    status.timed = true;
    status.position_ms = 5990;
    status.duration_ms = 16000;
    EXPECT_EQ(play_status_line(status), "  0:05 / 0:16  brightness 100%");
    status.paused = true;
    status.muted = true;
    status.brightness = 60;
    EXPECT_EQ(play_status_line(status), "  0:05 / 0:16  brightness 60%  paused  muted");
    status.duration_ms = 7200000;
    EXPECT_EQ(play_status_line(status), "  0:00:05 / 2:00:00  brightness 60%  paused  muted");
    // Without sound the frames have no time: they are counted.
    status = PlayStatus{};
    status.frame = 11;
    status.frames = 400;
    EXPECT_EQ(play_status_line(status), "  frame 12 / 400  brightness 100%");
}

TEST(PlayToolStatus, SummaryCountsEveryPlay) {
    PlayTally tally;
    tally.plays = 1;
    tally.seconds = 12.34;
    tally.presented = 186;
    tally.worst_lateness = 1;
    EXPECT_EQ(play_summary("demo.mnb", tally),
              "demo.mnb: 12.3 s, 186 frames shown, 0 dropped, worst lateness 1 frame");
    tally.plays = 3;
    tally.worst_lateness = 0;
    EXPECT_EQ(play_summary("demo.mnb", tally),
              "demo.mnb: 12.3 s in all, 186 frames shown, 0 dropped, worst lateness 0 frames, "
              "3 plays");
    tally.plays = 1;
    tally.presented = 1;
    EXPECT_EQ(play_summary("cut.mnb", tally),
              "cut.mnb: 12.3 s, 1 frame shown, 0 dropped, worst lateness 0 frames");
}

}  // namespace qx

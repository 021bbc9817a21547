#include <gtest/gtest.h>

#include "tools/qx/play_status.h"

TEST(PlayToolStatus, LineShowsTimeFramesAndState) {
    PlayTally tally;
    tally.seconds = 62.54;
    tally.presented = 940;
    tally.dropped = 3;
    EXPECT_EQ(play_status_line(tally, false, false), "  1:02.5  shown 940  dropped 3");
    EXPECT_EQ(play_status_line(tally, true, true), "  1:02.5  shown 940  dropped 3  paused  muted");
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
}

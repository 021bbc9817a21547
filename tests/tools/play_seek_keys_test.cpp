#include <gtest/gtest.h>

#include "platform/window.h"
#include "tools/qx/play_seek_keys.h"

namespace qx {

// Where the keys and clicks of `qx play` move a movie.
namespace {

PlayStatus sixteen_seconds(uint32_t position_ms, int32_t frame) {
    PlayStatus status;
    status.timed = true;
    status.position_ms = position_ms;
    status.duration_ms = 16000;
    status.frame = frame;
    status.frames = 240;
    return status;
}

void expect_seek(const PlaySeek& seek, PlaySeek::Kind kind, int64_t value) {
    EXPECT_EQ(seek.kind, kind);
    EXPECT_EQ(seek.value, value);
}

TEST(PlaySeekKeys, KeysMoveByTimeFramesAndShares) {
    const PlayStatus at_8s = sixteen_seconds(8000, 120);
    using Kind = PlaySeek::Kind;
    expect_seek(seek_for_key(KEY_RIGHT, at_8s), Kind::to_time, 13000);
    expect_seek(seek_for_key(KEY_LEFT, at_8s), Kind::to_time, 3000);
    expect_seek(seek_for_key(KEY_UP, at_8s), Kind::to_time, 16000);
    expect_seek(seek_for_key(KEY_DOWN, at_8s), Kind::to_time, 0);
    expect_seek(seek_for_key(KEY_LEFT, sixteen_seconds(2000, 30)), Kind::to_time, 0);
    expect_seek(seek_for_key(KEY_HOME, at_8s), Kind::to_frame, 0);
    expect_seek(seek_for_key(KEY_END, at_8s), Kind::to_frame, 239);
    expect_seek(seek_for_key(KEY_PAGE_UP, at_8s), Kind::to_frame, 144);
    expect_seek(seek_for_key(KEY_PAGE_DOWN, at_8s), Kind::to_frame, 96);
    expect_seek(seek_for_key(KEY_PAGE_UP, sixteen_seconds(15900, 238)), Kind::to_frame, 239);
    expect_seek(seek_for_key(KEY_PERIOD, at_8s), Kind::step, 1);
    expect_seek(seek_for_key(KEY_COMMA, at_8s), Kind::step, -1);
    expect_seek(seek_for_key(KEY_A, at_8s), Kind::none, 0);
}

TEST(PlaySeekKeys, WhatAMovieCannotTellIsNotGuessed) {
    // Frames without time: no time seeks, but frame seeks still go.
    PlayStatus untimed;
    untimed.frame = 5;
    untimed.frames = 3;
    EXPECT_EQ(seek_for_key(KEY_RIGHT, untimed).kind, PlaySeek::Kind::none);
    expect_seek(seek_for_key(KEY_PAGE_UP, untimed), PlaySeek::Kind::to_frame, 2);
    // Before the first frame and before the frames are known.
    PlayStatus nothing;
    EXPECT_EQ(seek_for_key(KEY_END, nothing).kind, PlaySeek::Kind::none);
}

}  // namespace

}  // namespace qx

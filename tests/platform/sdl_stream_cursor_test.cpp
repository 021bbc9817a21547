#include <gtest/gtest.h>

#include "platform/sdl/stream_cursor.h"

namespace qx {

// 32,768 bytes at 88,200 bytes a second: 16-bit stereo at 22,050 Hz.
TEST(SdlStreamCursor, CursorMovesThroughWhatTheDeviceTookAndWrapsWhenLooping) {
    StreamCursor cursor(32768, 88200);
    cursor.start(true, 0);
    EXPECT_EQ(cursor.device_position(0), 0u);
    cursor.device_played(4000, 0);
    EXPECT_EQ(cursor.position(0, true), 0u);
    // 10 ms later 882 bytes of the request were heard, in whole sample frames.
    EXPECT_EQ(cursor.position(10000, true), 880u);
    // A late device: the cursor waits at the end of what it took.
    EXPECT_EQ(cursor.position(100000, true), 4000u);
    cursor.device_played(30000, 100000);
    EXPECT_EQ(cursor.device_position(100000), 1232u);
    EXPECT_EQ(cursor.position(300000, true), 4000u + 17640u);
    EXPECT_EQ(cursor.position(500000, true), 1232u);
    EXPECT_TRUE(cursor.playing());
}

TEST(SdlStreamCursor, StoppedCursorStandsStill) {
    StreamCursor cursor(32768, 88200);
    cursor.start(true, 0);
    cursor.device_played(2048, 10);
    cursor.stop(20);
    EXPECT_FALSE(cursor.playing());
    EXPECT_EQ(cursor.position(5000000, false), 2048u);
}

TEST(SdlStreamCursor, LostDeviceLetsTheCursorRunOnAtTheByteRate) {
    StreamCursor cursor(32768, 88200);
    cursor.start(true, 0);
    cursor.device_played(4096, 100000);
    // 100 ms after the last bytes were taken: 8,820 bytes further on.
    EXPECT_EQ(cursor.position(200000, false), 4096u + 8820u);
    // Wrapping as the real cursor would.
    EXPECT_EQ(cursor.position(500000, false), (4096u + 35280u) % 32768u);
}

TEST(SdlStreamCursor, StalledDeviceCountsAsLostAfterASecond) {
    StreamCursor cursor(32768, 88200);
    cursor.start(true, 0);
    cursor.device_played(1000, 0);
    EXPECT_EQ(cursor.position(StreamCursor::STALL_US - 1, true), 1000u);
    EXPECT_EQ(cursor.position(StreamCursor::STALL_US + 100000, true),
              (1000u + 88200u + 8820u) % 32768u);
}

TEST(SdlStreamCursor, DeviceComingBackContinuesFromTheRunningPosition) {
    StreamCursor cursor(32768, 88200);
    cursor.start(true, 0);
    EXPECT_EQ(cursor.position(100000, false), 8820u);
    EXPECT_EQ(cursor.device_position(100000), 8820u);
    cursor.device_played(100, 100000);
    EXPECT_EQ(cursor.position(100000, true), 8820u);
    EXPECT_EQ(cursor.position(101000, true), 8908u);
}

TEST(SdlStreamCursor, PlayOnceStopsAtTheEnd) {
    StreamCursor cursor(1000, 88200);
    cursor.start(false, 0);
    cursor.device_played(600, 0);
    EXPECT_TRUE(cursor.playing());
    cursor.device_played(600, 0);
    EXPECT_FALSE(cursor.playing());
    EXPECT_EQ(cursor.position(0, true), 0u);
}

}  // namespace qx

#include <gtest/gtest.h>

#include "platform/sdl/stream_cursor.h"

// 32,768 bytes at 88,200 bytes a second: 16-bit stereo at 22,050 Hz.
TEST(SdlStreamCursor, DeviceMovesTheCursorAndWrapsWhenLooping) {
    StreamCursor cursor(32768, 88200);
    cursor.start(true, 0);
    EXPECT_EQ(cursor.device_position(0), 0u);
    cursor.device_played(30000, 1000);
    EXPECT_EQ(cursor.position(1000, true), 30000u);
    cursor.device_played(4000, 2000);
    EXPECT_EQ(cursor.position(2000, true), 1232u);
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
    EXPECT_EQ(cursor.position(100000, true), 8920u);
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

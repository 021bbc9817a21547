#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/platform_clock.h"

namespace qx {

namespace {

TEST(PlatformClock, ScaleChangesNeverMakeTimeJump) {
    ScopedClockScale restore(1.0);
    int64_t previous = platform_clock_now_us();
    for (double scale : {1000.0, 0.5, 250.0, 3.0, 1.0}) {
        platform_clock_set_scale(scale);
        EXPECT_EQ(platform_clock_scale(), scale);
        const int64_t now = platform_clock_now_us();
        EXPECT_GE(now, previous);
        // A jump would be seconds; the change itself takes microseconds of real time.
        EXPECT_LT(now - previous, 1000000);
        previous = now;
    }
}

TEST(PlatformClock, UnusableScalesAreIgnored) {
    ScopedClockScale restore(2.0);
    for (double scale : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(), 1e300}) {
        platform_clock_set_scale(scale);
        EXPECT_EQ(platform_clock_scale(), 2.0) << scale;
    }
    const int64_t first = platform_clock_now_us();
    EXPECT_GE(platform_clock_now_us(), first);
}

TEST(PlatformClock, SleepLastsAtLeastItsPlatformTime) {
    // Scales that do not divide the durations, where rounding down would end a sleep early.
    for (double scale : {1.0, 3.0, 7.0, 33.0}) {
        ScopedClockScale scaled(scale);
        for (int64_t microseconds : {1, 999, 1001, 10000, 33333}) {
            const int64_t before = platform_clock_now_us();
            platform_clock_sleep_us(microseconds);
            EXPECT_GE(platform_clock_now_us() - before, microseconds)
                << "scale " << scale << ", " << microseconds << " us";
        }
    }
}

TEST(PlatformClock, ScopedScaleRestoresThePreviousScale) {
    ScopedClockScale outer(4.0);
    {
        ScopedClockScale inner(16.0);
        EXPECT_EQ(platform_clock_scale(), 16.0);
    }
    EXPECT_EQ(platform_clock_scale(), 4.0);
}

}  // namespace

}  // namespace qx

// frame_clock_test.cpp - when the window's frames are due, and how often.
#include <gtest/gtest.h>

#include <cstdint>

#include "frame_clock.h"

namespace {

constexpr std::int64_t kSecondUs = 1000000;

struct ScheduleCase {
    std::int64_t now;
    int fps;  // frames a second, or (negative) minus the seconds between frames
    std::int64_t wait;
};

void PrintTo(const ScheduleCase &c, std::ostream *os)
{
    *os << c.now << " us at " << c.fps << " fps";
}

qxclock::FrameRate rate_of(int fps)
{
    return fps > 0 ? qxclock::FrameRate{fps, 0} : qxclock::FrameRate{0, -fps};
}

class FrameScheduleTest : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(FrameScheduleTest, WaitsForTheNextBoundary)
{
    const ScheduleCase &c = GetParam();
    EXPECT_EQ(qxclock::microseconds_to_next_frame(c.now, rate_of(c.fps)), c.wait)
        << "now " << c.now << " fps " << c.fps;
}

// One frame a second: boundaries on whole seconds. Thirty: at k/30 s, i.e.
// 33333.3.. us apart, drawn at the first whole microsecond not before.
INSTANTIATE_TEST_SUITE_P(
    Cases, FrameScheduleTest,
    ::testing::Values(ScheduleCase{0, 1, kSecondUs},  // just drawn on the boundary
                      ScheduleCase{1, 1, kSecondUs - 1}, ScheduleCase{500000, 1, 500000},
                      ScheduleCase{999999, 1, 1},
                      ScheduleCase{1700000000LL * kSecondUs + 250000, 1, 750000},
                      ScheduleCase{-1, 1, 1},  // just before the epoch
                      ScheduleCase{-kSecondUs, 1, kSecondUs}, ScheduleCase{0, 30, 33334},
                      ScheduleCase{33333, 30, 1},
                      ScheduleCase{33334, 30, 33333},   // next at 66666.6.. -> 66667
                      ScheduleCase{966667, 30, 33333},  // the last frame before the second
                      ScheduleCase{999999, 30, 1},
                      // Every 5 s: on the multiples of 5 s since the epoch.
                      ScheduleCase{0, -5, 5 * kSecondUs},
                      ScheduleCase{7 * kSecondUs, -5, 3 * kSecondUs}, ScheduleCase{-1, -5, 1}));

TEST(FrameScheduleSweepTest, EverySecondBoundaryIsAFrameAndNoneIsSkipped)
{
    // Walking from frame to frame through two seconds visits every k/30 s,
    // including each whole second, and nothing else.
    for (int fps : {1, 7, 30, 60}) {
        std::int64_t t = 5 * kSecondUs - 1;
        int frames = 0, whole_seconds = 0;
        while (t < 7 * kSecondUs) {
            std::int64_t wait = qxclock::microseconds_to_next_frame(t, rate_of(fps));
            ASSERT_GE(wait, 1);
            ASSERT_LE(wait, (kSecondUs + fps - 1) / fps);
            t += wait;
            ++frames;
            if (t % kSecondUs == 0)
                ++whole_seconds;
        }
        EXPECT_EQ(frames, 2 * fps + 1) << fps;  // 5 s, then 2 s worth of frames
        EXPECT_EQ(whole_seconds, 3) << fps;     // 5, 6 and 7 s
    }
}

// The second hand's tip (0.324 of the side out) moves 2 pi 0.324 side / 60
// pixels a second, the minute hand's (0.3975) 2 pi 0.3975 side / 3600: a
// frame for each two pixels of the one, for each pixel of the other, within
// the limits.
struct RateCase {
    int width, height;
    bool seconds;
    int fps, seconds_per_frame;
};

void PrintTo(const RateCase &c, std::ostream *os)
{
    *os << c.width << "x" << c.height << (c.seconds ? " with" : " without") << " seconds";
}

class FrameRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(FrameRateTest, FollowsTheTipsSpeed)
{
    const RateCase &c = GetParam();
    const qxclock::FrameRate rate = qxclock::frame_rate_for(c.width, c.height, c.seconds);
    EXPECT_EQ(rate.frames_per_second, c.fps);
    EXPECT_EQ(rate.seconds_per_frame, c.seconds_per_frame);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameRateTest,
                         ::testing::Values(RateCase{256, 256, true, 5, 0},
                                           RateCase{256, 256, false, 0, 5},
                                           RateCase{100, 256, true, 5, 0},  // the larger side
                                           RateCase{512, 512, true, 9, 0},
                                           RateCase{4096, 4096, true, 30, 0},  // at most 30
                                           RateCase{4096, 4096, false, 0, 1},
                                           RateCase{16, 16, true, 1, 0},  // at least 1
                                           RateCase{16, 16, false, 0, 60},
                                           RateCase{0, 0, false, 0, 60}));

}  // namespace

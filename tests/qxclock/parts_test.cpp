// parts_test.cpp - the pieces of qxclock that need no X server: the time
// argument, the local instant it names, the frame schedule, and the frame
// composed from the cached face.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "frame.h"
#include "frame_clock.h"
#include "local_instant.h"
#include "options.h"
#include "qxdraw.h"

namespace {

// --- the time argument -----------------------------------------------------

struct TimeText {
    const char *text;
    bool ok;
    int h, m, s;
};

void PrintTo(const TimeText &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class ClockTimeTest : public ::testing::TestWithParam<TimeText> {};

TEST_P(ClockTimeTest, Parses)
{
    const TimeText &c = GetParam();
    int h = -1, m = -1, s = -1;
    EXPECT_EQ(qxclock::parse_clock_time(c.text, h, m, s), c.ok) << c.text;
    if (c.ok) {
        EXPECT_EQ(h, c.h);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(s, c.s);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClockTimeTest,
    ::testing::Values(TimeText{"00:00:00", true, 0, 0, 0}, TimeText{"23:59:59", true, 23, 59, 59},
                      TimeText{"3:04:05", true, 3, 4, 5}, TimeText{"10:30:45", true, 10, 30, 45},
                      TimeText{"24:00:00", false, 0, 0, 0}, TimeText{"12:60:00", false, 0, 0, 0},
                      TimeText{"12:00:60", false, 0, 0, 0}, TimeText{"1:2:3", false, 0, 0, 0},
                      TimeText{"12:00", false, 0, 0, 0}, TimeText{"12:00:00x", false, 0, 0, 0},
                      TimeText{"123:00:00", false, 0, 0, 0}, TimeText{"", false, 0, 0, 0},
                      TimeText{"-1:00:00", false, 0, 0, 0}, TimeText{" 1:00:00", false, 0, 0, 0},
                      TimeText{"12:0a:00", false, 0, 0, 0}, TimeText{"12-00-00", false, 0, 0, 0}));

// --- the instant named by --time -------------------------------------------

// Sets TZ for one test and puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *tz)
    {
        if (const char *old = std::getenv("TZ"))
            old_ = old, had_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string old_;
    bool had_ = false;
};

// Central European time: clocks go forward at 02:00 on the last Sunday of
// March (2:00-3:00 does not exist) and back at 03:00 on the last Sunday of
// October (2:00-3:00 happens twice).
constexpr const char *cet = "CET-1CEST,M3.5.0,M10.5.0/3";

// 2026-03-29 is the last Sunday of March, 2026-10-25 of October; noon UTC
// on those days, and on an ordinary one.
constexpr std::time_t spring_noon_utc = 1774785600;  // 2026-03-29 12:00:00 UTC
constexpr std::time_t autumn_noon_utc = 1792929600;  // 2026-10-25 12:00:00 UTC
constexpr std::time_t plain_noon_utc = 1781265600;   // 2026-06-12 12:00:00 UTC

std::tm local(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

TEST(LocalInstantTest, InUtcIsMidnightPlusTheTimeOfDay)
{
    ScopedTimeZone tz("UTC0");
    timeval tv{};
    ASSERT_TRUE(qxclock::local_instant_today(plain_noon_utc, 10, 30, 45, tv));
    std::time_t midnight = plain_noon_utc - 12 * 3600;
    EXPECT_EQ(tv.tv_sec, midnight + 10 * 3600 + 30 * 60 + 45);
    EXPECT_EQ(tv.tv_usec, 0);
}

TEST(LocalInstantTest, FollowsTheLocalZoneAndItsSummerTime)
{
    ScopedTimeZone tz(cet);
    timeval tv{};
    // 12 June: summer time, UTC+2, so 10:00 local is 08:00 UTC.
    ASSERT_TRUE(qxclock::local_instant_today(plain_noon_utc, 10, 0, 0, tv));
    EXPECT_EQ(tv.tv_sec, plain_noon_utc - 4 * 3600);
}

struct ClockChangeCase {
    const char *name;
    std::time_t now;
    int hour, minute;
    bool same_day;  // whether that time exists on the day of `now`
};

void PrintTo(const ClockChangeCase &c, std::ostream *os)
{
    *os << c.name;
}

class LocalInstantChangeTest : public ::testing::TestWithParam<ClockChangeCase> {};

TEST_P(LocalInstantChangeTest, ReadsExactlyTheTimeAskedFor)
{
    ScopedTimeZone tz(cet);
    const ClockChangeCase &c = GetParam();
    timeval tv{};
    ASSERT_TRUE(qxclock::local_instant_today(c.now, c.hour, c.minute, 7, tv));
    std::tm got = local(tv.tv_sec), today = local(c.now);
    EXPECT_EQ(got.tm_hour, c.hour);
    EXPECT_EQ(got.tm_min, c.minute);
    EXPECT_EQ(got.tm_sec, 7);
    if (c.same_day)
        EXPECT_EQ(got.tm_yday, today.tm_yday);
    else
        EXPECT_EQ(std::abs(got.tm_yday - today.tm_yday), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Days, LocalInstantChangeTest,
    ::testing::Values(ClockChangeCase{"SpringBeforeGap", spring_noon_utc, 1, 59, true},
                      ClockChangeCase{"SpringInGap", spring_noon_utc, 2, 30, false},
                      ClockChangeCase{"SpringAfterGap", spring_noon_utc, 3, 0, true},
                      ClockChangeCase{"AutumnTwice", autumn_noon_utc, 2, 30, true},
                      ClockChangeCase{"AutumnAfter", autumn_noon_utc, 3, 30, true}),
    [](const ::testing::TestParamInfo<ClockChangeCase> &param_info) {
        return std::string(param_info.param.name);
    });

// --- the frame schedule ----------------------------------------------------

constexpr std::int64_t second_us = 1000000;

struct ScheduleCase {
    std::int64_t now;
    int fps;
    std::int64_t wait;
};

void PrintTo(const ScheduleCase &c, std::ostream *os)
{
    *os << c.now << " us at " << c.fps << " fps";
}

class FrameScheduleTest : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(FrameScheduleTest, WaitsForTheNextBoundary)
{
    const ScheduleCase &c = GetParam();
    EXPECT_EQ(qxclock::microseconds_to_next_frame(c.now, c.fps), c.wait)
        << "now " << c.now << " fps " << c.fps;
}

// One frame a second: boundaries on whole seconds. Thirty: at k/30 s, i.e.
// 33333.3.. us apart, drawn at the first whole microsecond not before.
INSTANTIATE_TEST_SUITE_P(
    Cases, FrameScheduleTest,
    ::testing::Values(ScheduleCase{0, 1, second_us},  // just drawn on the boundary
                      ScheduleCase{1, 1, second_us - 1}, ScheduleCase{500000, 1, 500000},
                      ScheduleCase{999999, 1, 1},
                      ScheduleCase{1700000000LL * second_us + 250000, 1, 750000},
                      ScheduleCase{-1, 1, 1},  // just before the epoch
                      ScheduleCase{-second_us, 1, second_us}, ScheduleCase{0, 30, 33334},
                      ScheduleCase{33333, 30, 1},
                      ScheduleCase{33334, 30, 33333},   // next at 66666.6.. -> 66667
                      ScheduleCase{966667, 30, 33333},  // the last frame before the second
                      ScheduleCase{999999, 30, 1}));

TEST(FrameScheduleSweepTest, EverySecondBoundaryIsAFrameAndNoneIsSkipped)
{
    // Walking from frame to frame through two seconds visits every k/30 s,
    // including each whole second, and nothing else.
    for (int fps : {1, 7, 30, 60}) {
        std::int64_t t = 5 * second_us - 1;
        int frames = 0, whole_seconds = 0;
        while (t < 7 * second_us) {
            std::int64_t wait = qxclock::microseconds_to_next_frame(t, fps);
            ASSERT_GE(wait, 1);
            ASSERT_LE(wait, (second_us + fps - 1) / fps);
            t += wait;
            ++frames;
            if (t % second_us == 0)
                ++whole_seconds;
        }
        EXPECT_EQ(frames, 2 * fps + 1) << fps;  // 5 s, then 2 s worth of frames
        EXPECT_EQ(whole_seconds, 3) << fps;     // 5, 6 and 7 s
    }
}

// --- the frame -------------------------------------------------------------

// An ARGB32 image surface and its bytes.
struct Image {
    Image(int w, int h) : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)) {}
    ~Image() { cairo_surface_destroy(surface); }
    Image(const Image &) = delete;
    Image &operator=(const Image &) = delete;
    std::uint32_t at(int x, int y)
    {
        cairo_surface_flush(surface);
        auto *row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<std::uint32_t *>(row)[x];
    }
    bool same_as(Image &o)
    {
        cairo_surface_flush(surface);
        cairo_surface_flush(o.surface);
        int h = cairo_image_surface_get_height(surface);
        size_t n = size_t(cairo_image_surface_get_stride(surface)) * size_t(h);
        return h == cairo_image_surface_get_height(o.surface) &&
               cairo_image_surface_get_stride(surface) ==
                   cairo_image_surface_get_stride(o.surface) &&
               std::memcmp(cairo_image_surface_get_data(surface),
                           cairo_image_surface_get_data(o.surface), n) == 0;
    }
    cairo_surface_t *surface;
};

// The clock drawn the plain way, face and hands straight onto a clear surface.
void draw_directly(Image &im, int w, int h, const timeval &tv, bool seconds)
{
    cairo_t *cr = cairo_create(im.surface);
    cairo_set_source_rgb(cr, 0, 0, 0);
    qxface_draw(cr, w, h);
    qxhand_draw(cr, w, h, &tv, seconds ? 1 : 0);
    cairo_destroy(cr);
}

// Fills a surface with something that must not survive a frame.
void scribble(Image &im)
{
    cairo_t *cr = cairo_create(im.surface);
    cairo_set_source_rgba(cr, 0.9, 0.1, 0.1, 0.8);
    cairo_paint(cr);
    cairo_destroy(cr);
}

constexpr timeval morning{1781254245, 500000};  // some instant; any would do
constexpr timeval evening{1781290000, 0};

TEST(ClockFrameTest, FramesMatchTheClockDrawnDirectly)
{
    // Each frame replaces the target entirely (no earlier hands, no earlier
    // content left over), and the cached face is the one for the current size.
    struct Step {
        int w, h;
        timeval tv;
        bool seconds;
    };
    const Step steps[] = {{200, 200, morning, true},
                          {200, 200, evening, false},  // face from the cache
                          {320, 180, evening, true},   // resized: face drawn again
                          {200, 200, morning, false}};
    qxclock::ClockFrame frame(false);
    for (const Step &s : steps) {
        Image got(s.w, s.h), want(s.w, s.h);
        scribble(got);
        ASSERT_EQ(frame.draw(got.surface, s.w, s.h, s.tv, s.seconds), CAIRO_STATUS_SUCCESS);
        draw_directly(want, s.w, s.h, s.tv, s.seconds);
        EXPECT_TRUE(got.same_as(want)) << s.w << "x" << s.h << " at " << s.tv.tv_sec;
    }
}

TEST(ClockFrameTest, OpaqueBackgroundFillsTheOutside)
{
    qxclock::ClockFrame frame(true);
    Image im(100, 100);
    ASSERT_EQ(frame.draw(im.surface, 100, 100, morning, false), CAIRO_STATUS_SUCCESS);
    std::uint32_t corner = im.at(0, 0);
    EXPECT_EQ(corner >> 24, 0xffu);
    EXPECT_EQ(im.at(99, 99), corner);
    EXPECT_EQ(im.at(5, 95), corner);
}

TEST(ClockFrameTest, EmptySizeDrawsNothing)
{
    qxclock::ClockFrame frame(false);
    Image im(10, 10);
    scribble(im);
    std::uint32_t before = im.at(5, 5);
    EXPECT_EQ(frame.draw(im.surface, 0, 10, morning, true), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(frame.draw(im.surface, 10, -3, morning, true), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(im.at(5, 5), before);
}

}  // namespace

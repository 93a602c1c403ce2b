// parts_test.cpp - the pieces of qxclock that need no X server: the command
// line, the local instant --time names, the frame schedule, and the frame
// composed from the cached face.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "colour_names.h"
#include "colour_parse.h"
#include "frame.h"
#include "frame_clock.h"
#include "local_instant.h"
#include "options.h"
#include "outline.h"
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
    const quillkit::Result<qxclock::ClockTime> time = qxclock::parse_clock_time(c.text);
    ASSERT_EQ(time.ok(), c.ok) << c.text;
    if (c.ok) {
        EXPECT_EQ(time->hour, c.h);
        EXPECT_EQ(time->minute, c.m);
        EXPECT_EQ(time->second, c.s);
    } else {
        EXPECT_EQ(time.error().rfind(std::string("bad time '") + c.text + "': ", 0), 0u)
            << time.error();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClockTimeTest,
    ::testing::Values(TimeText{"00:00:00", true, 0, 0, 0}, TimeText{"23:59:59", true, 23, 59, 59},
                      TimeText{"3:04:05", true, 3, 4, 5}, TimeText{"10:30:45", true, 10, 30, 45},
                      TimeText{"24:00:00", false, 0, 0, 0}, TimeText{"12:60:00", false, 0, 0, 0},
                      TimeText{"12:00:60", false, 0, 0, 0}, TimeText{"1:2:3", false, 0, 0, 0},
                      TimeText{"12:00", true, 12, 0, 0}, TimeText{"9:05", true, 9, 5, 0},
                      TimeText{"12:0", false, 0, 0, 0}, TimeText{"12:00:", false, 0, 0, 0},
                      TimeText{"12:00:00x", false, 0, 0, 0}, TimeText{"123:00:00", false, 0, 0, 0},
                      TimeText{"", false, 0, 0, 0}, TimeText{"-1:00:00", false, 0, 0, 0},
                      TimeText{" 1:00:00", false, 0, 0, 0}, TimeText{"12:0a:00", false, 0, 0, 0},
                      TimeText{"12-00-00", false, 0, 0, 0}));

// --- the command line ------------------------------------------------------

// A command line that parses, and what it must give.
struct GoodLine {
    const char *name;
    std::vector<std::string> args;
    qxclock::Mode mode;
    int side;
    bool seconds;
    const char *geometry;  // the Geometry printed as by describe(), "" for none
};

void PrintTo(const GoodLine &c, std::ostream *os)
{
    *os << c.name;
}

// W, H, X, Y as given ('-' for not given), a negative offset as "-N".
std::string describe(const qxclock::Geometry &g)
{
    auto part = [](const std::optional<int> &v, bool far) {
        return v ? (far ? "-" : "") + std::to_string(*v) : std::string("-");
    };
    return part(g.width, false) + " " + part(g.height, false) + " " + part(g.x, g.x_from_right) +
           " " + part(g.y, g.y_from_bottom);
}

quillkit::Result<qxclock::Options> parse(const std::vector<std::string> &args)
{
    std::vector<const char *> argv{"qxclock"};
    for (const std::string &a : args)
        argv.push_back(a.c_str());
    return qxclock::parse_options(static_cast<int>(argv.size()), argv.data());
}

class GoodLineTest : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodLineTest, Parses)
{
    const GoodLine &c = GetParam();
    const quillkit::Result<qxclock::Options> opts = parse(c.args);
    ASSERT_TRUE(opts) << opts.error();
    EXPECT_EQ(opts->mode, c.mode);
    EXPECT_EQ(opts->side(), c.side);
    EXPECT_EQ(opts->show_seconds(), c.seconds);
    EXPECT_EQ(describe(opts->geometry), c.geometry);
}

using qxclock::Mode;
INSTANTIATE_TEST_SUITE_P(
    Lines, GoodLineTest,
    ::testing::Values(
        GoodLine{"Nothing", {}, Mode::kWindow, 256, true, "- - - -"},
        GoodLine{"OldWindow", {"--window", "--no-seconds"}, Mode::kWindow, 256, false, "- - - -"},
        GoodLine{"Png", {"--png", "a.png"}, Mode::kPng, 512, false, "- - - -"},
        GoodLine{"PngEquals",
                 {"--png=a.png", "--size=300", "--seconds"},
                 Mode::kPng,
                 300,
                 true,
                 "- - - -"},
        GoodLine{
            "Geometry", {"--geometry", "300x200+10+20"}, Mode::kWindow, 256, true, "300 200 10 20"},
        GoodLine{"XStyleGeometry",
                 {"-geometry", "=120x90-0-5"},
                 Mode::kWindow,
                 256,
                 true,
                 "120 90 -0 -5"},
        GoodLine{"PositionOnly",
                 {"--geometry=+7+8", "--size", "64"},
                 Mode::kWindow,
                 64,
                 true,
                 "- - 7 8"},
        GoodLine{"WidthOnly", {"--geometry", "300"}, Mode::kWindow, 256, true, "300 - - -"},
        GoodLine{"HeightOnly", {"--geometry", "x300"}, Mode::kWindow, 256, true, "- 300 - -"},
        GoodLine{
            "Abbreviated", {"--geo", "50x50", "--no-sec"}, Mode::kWindow, 256, false, "50 50 - -"},
        // Of an option given twice, the last wins.
        GoodLine{"SizeTwice",
                 {"--png", "a.png", "--size", "10", "--size=20"},
                 Mode::kPng,
                 20,
                 false,
                 "- - - -"},
        GoodLine{
            "SecondsThenNot", {"--seconds", "--no-seconds"}, Mode::kWindow, 256, false, "- - - -"},
        GoodLine{"NotThenSeconds",
                 {"--png", "a", "--no-seconds", "--seconds"},
                 Mode::kPng,
                 512,
                 true,
                 "- - - -"},
        GoodLine{
            "PngThenWindow", {"--png", "a.png", "--window"}, Mode::kWindow, 256, true, "- - - -"},
        GoodLine{
            "WindowThenPng", {"--window", "--png", "a.png"}, Mode::kPng, 512, false, "- - - -"},
        GoodLine{"GeometryTwiceIsReplaced",
                 {"--geometry", "10x20+1+2", "-geometry", "-5-6"},
                 Mode::kWindow,
                 256,
                 true,
                 "- - -5 -6"},
        GoodLine{"GeometrySizeGoneBeforeSize",
                 {"--geometry", "50x50", "--geometry", "+0+0", "--size", "64"},
                 Mode::kWindow,
                 64,
                 true,
                 "- - 0 0"}),
    [](const ::testing::TestParamInfo<GoodLine> &param_info) {
        return std::string(param_info.param.name);
    });

// --- colours ---------------------------------------------------------------

// A colour text and what it must give, in 16 bits a channel as XParseColor
// reports it (-1: refused).
struct ColourText {
    const char *text;
    int r, g, b;
};

void PrintTo(const ColourText &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class ColourTest : public ::testing::TestWithParam<ColourText> {};

TEST_P(ColourTest, ParsesAsXParseColorDoes)
{
    const ColourText &c = GetParam();
    const quillkit::Result<qxclock::Rgb> rgb = qxclock::parse_colour(c.text);
    ASSERT_EQ(rgb.ok(), c.r >= 0) << c.text;
    if (rgb) {
        EXPECT_EQ(std::lround(rgb->red * 65535), c.r);
        EXPECT_EQ(std::lround(rgb->green * 65535), c.g);
        EXPECT_EQ(std::lround(rgb->blue * 65535), c.b);
    } else {
        // A numeric form is malformed; anything else is a name not known.
        const std::string quoted = std::string("'") + c.text + "'";
        EXPECT_EQ(rgb.error().rfind(qxclock::is_numeric_colour(c.text) ? "bad colour " + quoted
                                                                       : "unknown colour " + quoted,
                                    0),
                  0u)
            << rgb.error();
    }
}

// "#" digits are the high bits of a channel; rgb: digits are scaled.
INSTANTIATE_TEST_SUITE_P(
    Texts, ColourTest,
    ::testing::Values(
        ColourText{"#FFF", 0xf000, 0xf000, 0xf000}, ColourText{"#3a7", 0x3000, 0xa000, 0x7000},
        ColourText{"#FF8000", 0xff00, 0x8000, 0}, ColourText{"#123456789", 0x1230, 0x4560, 0x7890},
        ColourText{"#fFfF00001234", 0xffff, 0, 0x1234}, ColourText{"rgb:f/8/0", 0xffff, 0x8888, 0},
        ColourText{"RGB:ff/80/0000", 0xffff, 0x8080, 0},
        ColourText{"rgb:1/22/333", 0x1111, 0x2222, 0x3333},
        ColourText{"rgb:ffff/0/abcd", 0xffff, 0, 0xabcd},
        ColourText{"rgbi:1/0.5/0", 65535, 32768, 0}, ColourText{"rgbi:0/.25/1.0", 0, 16384, 65535},
        ColourText{"white", 65535, 65535, 65535}, ColourText{"light grey", 0xd3d3, 0xd3d3, 0xd3d3},
        ColourText{"LightGray", 0xd3d3, 0xd3d3, 0xd3d3},
        ColourText{"Dark Slate Grey", 0x2f2f, 0x4f4f, 0x4f4f},
        ColourText{"gray", 0xbebe, 0xbebe, 0xbebe}, ColourText{"NavyBlue", 0, 0, 0x8080},
        ColourText{"yellowgreen", 0x9a9a, 0xcdcd, 0x3232},
        ColourText{"aliceblue", 0xf0f0, 0xf8f8, 0xffff}, ColourText{"#12345", -1, 0, 0},
        ColourText{"#", -1, 0, 0}, ColourText{"#12g", -1, 0, 0},
        ColourText{"#1234567890123", -1, 0, 0}, ColourText{"rgb:1/2", -1, 0, 0},
        ColourText{"rgb:1/2/3/4", -1, 0, 0}, ColourText{"rgb:12345/0/0", -1, 0, 0},
        ColourText{"rgb://", -1, 0, 0}, ColourText{"rgb:1/2/x", -1, 0, 0},
        ColourText{"rgbi:1.5/0/0", -1, 0, 0}, ColourText{"rgbi:-0/0/0", -1, 0, 0},
        ColourText{"rgbi:nan/0/0", -1, 0, 0}, ColourText{"rgbi:1/1/1x", -1, 0, 0},
        ColourText{"no such colour", -1, 0, 0}, ColourText{"", -1, 0, 0},
        ColourText{"whites", -1, 0, 0}));

TEST(ColourNamesTest, AreSortedOnceEachAndAllFound)
{
    // The lookup is a binary search over lower-case names without spaces.
    std::size_t count = 0;
    const qxclock::ColourName *names = qxclock::colour_names(count);
    ASSERT_GE(count, 140u);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            EXPECT_LT(std::strcmp(names[i - 1].name, names[i].name), 0) << names[i].name;
        }
        const quillkit::Result<qxclock::Rgb> rgb = qxclock::parse_colour(names[i].name);
        ASSERT_TRUE(rgb) << names[i].name;
        EXPECT_EQ(std::lround(rgb->green * 255), names[i].g) << names[i].name;
    }
}

// --- the command line, as parse_options reads it ---------------------------

// A command line and what parse_options must make of it: the error it must
// name, or ("" for none) the PNG path and the background it keeps.
struct LineCase {
    std::vector<std::string> args;
    const char *error;
    const char *png_path;
    const char *background;  // "name:<name>", "rgb" or "" for none
};

void PrintTo(const LineCase &c, std::ostream *os)
{
    for (const std::string &a : c.args)
        *os << a << ' ';
}

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, ParsesOrNamesTheProblem)
{
    const LineCase &c = GetParam();
    const quillkit::Result<qxclock::Options> opts = parse(c.args);
    if (*c.error != '\0') {
        EXPECT_FALSE(opts);
        EXPECT_NE(opts.error().find(c.error), std::string::npos) << opts.error();
        return;
    }
    ASSERT_TRUE(opts) << opts.error();
    EXPECT_EQ(opts->png_path, c.png_path);
    const std::string background = opts->background_rgb ? "rgb"
                                   : opts->background_name.empty()
                                       ? ""
                                       : "name:" + opts->background_name;
    EXPECT_EQ(background, c.background);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineTest,
    ::testing::Values(
        LineCase{{"--s"}, "option '--s' is ambiguous; possibilities: '--seconds' '--size'", "", ""},
        LineCase{{"--png", "a.png", "--s=5"},
                 "option '--s' is ambiguous; possibilities: '--seconds' '--size'",
                 "",
                 ""},
        LineCase{{"--no"}, "", "", ""},  // only --no-seconds begins so
        LineCase{{"--siz", "9"}, "", "", ""},
        LineCase{{"--colour"}, "unknown option '--colour'", "", ""},
        LineCase{{"--png", "-"}, "", "-", ""},
        LineCase{{"--png=-", "--background", "#FFF"}, "", "-", "rgb"},
        LineCase{{"--png", "a.png", "--background=light grey"}, "", "a.png", "name:light grey"},
        LineCase{{"--background", "rgbi:0.1/0.2/0.3"}, "", "", "rgb"},
        LineCase{{"--background", "CIEXYZ:0.3/0.4/0.5"}, "", "", "name:CIEXYZ:0.3/0.4/0.5"},
        LineCase{{"--background", "rgb:1/2"}, "bad colour 'rgb:1/2'", "", ""},
        LineCase{{"--background", "#12345"}, "bad colour '#12345'", "", ""},
        LineCase{{"--background="}, "needs a colour", "", ""},
        // Of an option given twice, the last wins, and says all.
        LineCase{{"--png", "a.png", "--png=b.png"}, "", "b.png", ""},
        LineCase{{"--png", "a.png", "--window"}, "", "", ""},
        LineCase{{"--background", "#FFF", "--background", "light grey"}, "", "", "name:light grey"},
        LineCase{{"--background", "red", "--background", "rgb:1/2/3"}, "", "", "rgb"},
        LineCase{{"--png", "a.png", "--time", "10:00", "--window"},
                 "'--time' applies to '--png' only",
                 "",
                 ""},
        LineCase{{"--display", ":1", "--window", "--png", "a.png"},
                 "'--display' applies to the window, not to '--png'",
                 "",
                 ""},
        LineCase{{"--size", "1", "--size", "0"}, "bad size '0'", "", ""},
        LineCase{{"--help", "--size", "0"}, "bad size '0'", "", ""},
        LineCase{{"--time", "10:00", "--help"}, "", "", ""},
        LineCase{{"--si"}, "option '--si' needs a value", "", ""},
        LineCase{{"--sec=yes"}, "option '--sec' takes no value", "", ""},
        LineCase{{"-xyz"}, "unknown option '-xyz'", "", ""},
        LineCase{{"--help", "extra"}, "unexpected argument 'extra'", "", ""}));

TEST(OptionsTest, GeometryOutsideTheRangesIsRefused)
{
    for (const char *text : {"", "0x10", "10x0", "8193x10", "10x-5", "+40000+0", "+0-40000",
                             "4294967552x10", "10y10", "abc", "10x10+5+5+5"}) {
        const quillkit::Result<qxclock::Geometry> g = qxclock::parse_geometry(text);
        ASSERT_FALSE(g) << '"' << text << '"';
        EXPECT_EQ(g.error().rfind(std::string("bad geometry '") + text + "': ", 0), 0u)
            << g.error();
    }
}

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
constexpr const char *kCet = "CET-1CEST,M3.5.0,M10.5.0/3";

// 2026-03-29 is the last Sunday of March, 2026-10-25 of October; noon UTC
// on those days, and on an ordinary one.
constexpr std::time_t kSpringNoonUtc = 1774785600;  // 2026-03-29 12:00:00 UTC
constexpr std::time_t kAutumnNoonUtc = 1792929600;  // 2026-10-25 12:00:00 UTC
constexpr std::time_t kPlainNoonUtc = 1781265600;   // 2026-06-12 12:00:00 UTC

std::tm local(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

TEST(LocalInstantTest, InUtcIsMidnightPlusTheTimeOfDay)
{
    ScopedTimeZone tz("UTC0");
    const quillkit::Result<timeval> tv = qxclock::local_instant_today(kPlainNoonUtc, 10, 30, 45);
    ASSERT_TRUE(tv) << tv.error();
    std::time_t midnight = kPlainNoonUtc - 12 * 3600;
    EXPECT_EQ(tv->tv_sec, midnight + 10 * 3600 + 30 * 60 + 45);
    EXPECT_EQ(tv->tv_usec, 0);
}

TEST(LocalInstantTest, FollowsTheLocalZoneAndItsSummerTime)
{
    ScopedTimeZone tz(kCet);
    // 12 June: summer time, UTC+2, so 10:00 local is 08:00 UTC.
    const quillkit::Result<timeval> tv = qxclock::local_instant_today(kPlainNoonUtc, 10, 0, 0);
    ASSERT_TRUE(tv) << tv.error();
    EXPECT_EQ(tv->tv_sec, kPlainNoonUtc - 4 * 3600);
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
    ScopedTimeZone tz(kCet);
    const ClockChangeCase &c = GetParam();
    const quillkit::Result<timeval> tv = qxclock::local_instant_today(c.now, c.hour, c.minute, 7);
    ASSERT_TRUE(tv) << tv.error();
    std::tm got = local(tv->tv_sec), today = local(c.now);
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
    ::testing::Values(ClockChangeCase{"SpringBeforeGap", kSpringNoonUtc, 1, 59, true},
                      ClockChangeCase{"SpringInGap", kSpringNoonUtc, 2, 30, false},
                      ClockChangeCase{"SpringAfterGap", kSpringNoonUtc, 3, 0, true},
                      ClockChangeCase{"AutumnTwice", kAutumnNoonUtc, 2, 30, true},
                      ClockChangeCase{"AutumnAfter", kAutumnNoonUtc, 3, 30, true}),
    [](const ::testing::TestParamInfo<ClockChangeCase> &param_info) {
        return std::string(param_info.param.name);
    });

// --- the frame schedule ----------------------------------------------------

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

// Copies the pixels of `from` into `to`, of the same size.
void copy(Image &from, Image &to)
{
    cairo_t *cr = cairo_create(to.surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, from.surface, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
}

bool inside(const qxclock::Damage &d, int x, int y)
{
    for (const qxclock::Rect &r : d)
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height)
            return true;
    return false;
}

// Whether two pixels differ by more than `tolerance` in a channel.
bool differ(std::uint32_t p, std::uint32_t q, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int(p >> shift & 0xff), b = int(q >> shift & 0xff);
        if (std::abs(a - b) > tolerance)
            return true;
    }
    return false;
}

// The first pixel at which `a` and `b` differ (by more than `tolerance`)
// inside `d` (`in`) or outside it; "" when there is none.
std::string first_difference(Image &a, Image &b, const qxclock::Damage &d, bool in,
                             int tolerance = 0)
{
    const int w = cairo_image_surface_get_width(a.surface);
    const int h = cairo_image_surface_get_height(a.surface);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (inside(d, x, y) == in && differ(a.at(x, y), b.at(x, y), tolerance))
                return std::to_string(x) + "," + std::to_string(y);
    return "";
}

// The levels by which an edge pixel may differ between the window's frame and
// qxhand's drawing of the same clock: the frame lays the second hand's shadow
// over the kept hands' shadows as coverage masks, where qxhand fills them as
// one path, and cairo rasterises a little differently under a clip of several
// rectangles, or when other edges of the same fill cross the pixel's row. A
// hand or a shadow left behind or missing differs by far more.
constexpr int kRounding = 16;

// Fills a surface with something that must not survive a frame.
void scribble(Image &im)
{
    cairo_t *cr = cairo_create(im.surface);
    cairo_set_source_rgba(cr, 0.9, 0.1, 0.1, 0.8);
    cairo_paint(cr);
    cairo_destroy(cr);
}

// Some instants; any would do. At 200 and 256 px the minute hand moves
// visibly every 7 and 5 s, and kMorning + 1 s is in the same period.
constexpr timeval kMorning{1781254245, 500000};
constexpr timeval kEvening{1781290000, 0};

TEST(ClockFrameTest, FramesMatchTheClockDrawnDirectly)
{
    // Each frame redraws only where the hands were and are, on the last
    // frame. Where it says it changed the picture, that is the clock drawn
    // afresh; elsewhere the last frame stays. When the minute hand has moved
    // (or the size changed) the whole picture is the clock drawn afresh,
    // with no trace of earlier hands.
    const qxclock::Damage all{{0, 0, 320, 320}};
    struct Step {
        int w, h;
        timeval tv;
        bool seconds;
        bool whole;  // the whole picture is the clock for tv
    };
    const Step steps[] = {{200, 200, kMorning, true, true},
                          {200, 200, {kMorning.tv_sec + 1, 0}, true, false},  // seconds only
                          {200, 200, {kMorning.tv_sec + 1, 700000}, true, false},
                          {200, 200, kEvening, false, true},  // all hands moved
                          {200, 200, kMorning, true, true},
                          {320, 180, kEvening, true, true},  // a new size: all drawn again
                          {320, 180, {kEvening.tv_sec, 400000}, true, false},
                          {320, 180, kMorning, false, true}};
    qxclock::ClockFrame frame(std::nullopt);
    std::unique_ptr<Image> got;
    for (const Step &s : steps) {
        if (!got || cairo_image_surface_get_width(got->surface) != s.w) {
            got = std::make_unique<Image>(s.w, s.h);
            scribble(*got);
        }
        Image before(s.w, s.h);
        copy(*got, before);
        const std::optional<qxclock::Damage> changed =
            frame.draw(got->surface, s.w, s.h, s.tv, s.seconds);
        ASSERT_TRUE(changed);
        Image want(s.w, s.h);
        draw_directly(want, s.w, s.h, s.tv, s.seconds);
        const std::string at = std::to_string(s.tv.tv_sec) + "." + std::to_string(s.tv.tv_usec);
        EXPECT_EQ(first_difference(*got, want, *changed, true, kRounding), "") << at;
        EXPECT_EQ(first_difference(*got, before, *changed, false), "") << at;
        if (s.whole) {
            EXPECT_EQ(first_difference(*got, want, all, true, kRounding), "") << at;
        }
    }
}

TEST(ClockFrameTest, BetweenMinuteMovesOnlyTheSecondHandIsRedrawn)
{
    // From one second to the next only the second hand moves visibly: what
    // is redrawn is a small part of the window, inside the second hand's
    // pieces then and now.
    qxclock::ClockFrame frame(std::nullopt);
    Image im(256, 256);
    ASSERT_TRUE(frame.draw(im.surface, 256, 256, kMorning, true));
    const timeval next{kMorning.tv_sec + 1, kMorning.tv_usec};
    const auto changed = frame.draw(im.surface, 256, 256, next, true);
    ASSERT_TRUE(changed);
    EXPECT_GT(qxclock::area_of(*changed), 0);
    EXPECT_LT(qxclock::area_of(*changed), 256 * 256 / 10);
    qxclock::Damage pieces = qxclock::second_hand_pieces(256, 256, kMorning);
    for (const qxclock::Rect &r : qxclock::second_hand_pieces(256, 256, next))
        pieces.push_back(r);
    for (const qxclock::Rect &r : *changed)
        for (const auto &[x, y] : {std::pair{r.x, r.y}, {r.x + r.width - 1, r.y + r.height - 1}})
            EXPECT_TRUE(inside(pieces, x, y)) << x << "," << y;
}

TEST(ClockFrameTest, TheSecondHandsPiecesHoldIt)
{
    // Every pixel that the second hand (with its shadow) changes lies in its
    // pieces, at any angle and in a stretched clock too.
    struct Case {
        int w, h;
        timeval tv;
    };
    for (const Case &c :
         {Case{256, 256, kMorning}, Case{256, 256, {kMorning.tv_sec + 7, 0}},
          Case{200, 200, {kMorning.tv_sec + 22, 250000}}, Case{320, 180, {kMorning.tv_sec + 31, 0}},
          Case{120, 300, {kMorning.tv_sec + 50, 0}}}) {
        Image with(c.w, c.h), without(c.w, c.h);
        draw_directly(with, c.w, c.h, c.tv, true);
        draw_directly(without, c.w, c.h, c.tv, false);
        const qxclock::Damage pieces = qxclock::second_hand_pieces(c.w, c.h, c.tv);
        EXPECT_EQ(first_difference(with, without, pieces, false, kRounding), "")
            << c.w << "x" << c.h << " at " << c.tv.tv_sec;
        // And they are tight: far less than the square round the hand.
        EXPECT_LT(qxclock::area_of(pieces), c.w * c.h / 4);
    }
}

TEST(ClockFrameTest, TheOutlineHoldsWhatIsDrawnOpaque)
{
    // The ticks and hands are in the outline, the clear corners and the
    // shadows are not; what is in it turns opaque in its own colour.
    constexpr int kSide = 200;
    qxclock::ClockFrame frame(std::nullopt);
    Image im(kSide, kSide);
    ASSERT_TRUE(frame.draw(im.surface, kSide, kSide, kMorning, true));
    Image drawn(kSide, kSide);
    copy(im, drawn);
    std::vector<qxclock::Rect> runs;
    qxclock::take_outline(im.surface, {0, 0, kSide, kSide}, runs);
    const int min_alpha = qxclock::outline_min_alpha();
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const std::uint32_t a = drawn.at(x, y) >> 24;
            ASSERT_EQ(inside(runs, x, y), a >= std::uint32_t(min_alpha)) << x << "," << y;
            if (a == 255) {
                ASSERT_EQ(im.at(x, y), drawn.at(x, y)) << x << "," << y;
            } else if (inside(runs, x, y)) {
                ASSERT_EQ(im.at(x, y) >> 24, 255u) << x << "," << y;
            }
        }
    EXPECT_FALSE(inside(runs, 0, 0));
    EXPECT_TRUE(inside(runs, kSide / 2, kSide / 2));
    // A shadow alone is translucent black: below the outline's alpha.
    EXPECT_GT(min_alpha, 255 * 3 / 10);
    EXPECT_LT(min_alpha, 255 / 2);
}

TEST(ClockFrameTest, BackgroundFillsTheOutside)
{
    qxclock::ClockFrame frame(qxclock::Rgb{1.0, 0.5, 0.0});
    Image im(100, 100);
    ASSERT_TRUE(frame.draw(im.surface, 100, 100, kMorning, false));
    for (auto [x, y] : {std::pair{0, 0}, {99, 99}, {5, 95}})
        EXPECT_EQ(im.at(x, y), 0xffff8000u) << x << "," << y;
}

TEST(ClockFrameTest, EmptySizeDrawsNothing)
{
    qxclock::ClockFrame frame(std::nullopt);
    Image im(10, 10);
    scribble(im);
    std::uint32_t before = im.at(5, 5);
    EXPECT_TRUE(frame.draw(im.surface, 0, 10, kMorning, true)->empty());
    EXPECT_TRUE(frame.draw(im.surface, 10, -3, kMorning, true)->empty());
    EXPECT_EQ(im.at(5, 5), before);
}

}  // namespace

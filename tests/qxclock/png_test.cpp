// png_test.cpp - qxclock --png: the picture for a fixed --time in any time
// zone, now at the default size, each form of --background, and the last of
// a repeated option winning.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "clock_geometry.h"
#include "qxclock_run.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

constexpr int kPngSize = 400;

// A stretch of a ray from the centre, in units of the picture's side, that
// must be covered by a hand (black) or must show no hand at all.
struct Ray {
    double degrees;
    double from, to;
    bool hand;
};

struct TimeCase {
    const char *name;
    const char *time;
    bool seconds;
    std::vector<Ray> rays;
};

// Hand angles follow from the time: the hour hand turns 30 degrees an hour
// plus 0.5 a minute, the minute hand 6 a minute plus 0.1 a second, the second
// hand 6 a second. Hand lengths: hour 0.25, minute 0.39, second 0.32 (from the
// pivot); the logo under them has no opaque black.
const std::vector<TimeCase> &time_cases()
{
    static const std::vector<TimeCase> cases = {
        {"ThreeOClock",
         "03:00:00",
         false,
         {{90, 0.03, 0.24, true},
          {0, 0.03, 0.38, true},
          {180, 0.05, 0.25, false},
          {270, 0.05, 0.25, false}}},
        // 15:00 shows the same picture as 03:00.
        {"FifteenHundred",
         "15:00:00",
         false,
         {{90, 0.03, 0.24, true},
          {0, 0.03, 0.38, true},
          {180, 0.05, 0.25, false},
          {270, 0.05, 0.25, false}}},
        {"HalfMinuteWithSeconds",
         "03:00:30",
         true,
         {{90.25, 0.03, 0.24, true},
          {3, 0.03, 0.38, true},
          {180, 0.03, 0.31, true},
          {270, 0.05, 0.25, false}}},
        {"HalfMinuteWithoutSeconds",
         "03:00:30",
         false,
         {{90.25, 0.03, 0.24, true}, {3, 0.03, 0.38, true}, {180, 0.05, 0.25, false}}},
        {"QuarterToTen",
         "09:45:00",
         false,
         {{292.5, 0.03, 0.24, true},
          {270, 0.03, 0.38, true},
          {90, 0.05, 0.25, false},
          {180, 0.05, 0.25, false}}},
    };
    return cases;
}

// Local time zones to draw in, as POSIX TZ strings (no zone files needed);
// --time is a time of the local day, so the picture must not depend on them.
const char *const time_zones[] = {"UTC0", "XST-5:30", "YST+9:45"};

class PngTimeTest : public ::testing::TestWithParam<std::tuple<size_t, const char *>> {};

TEST_P(PngTimeTest, HandsPointWhereTheTimeSays)
{
    const TimeCase &tc = time_cases()[std::get<0>(GetParam())];
    std::string path = ::testing::TempDir() + "qxclock-" + std::to_string(getpid()) + ".png";
    const RunResult run = run_qxclock({"--png", path, "--size", std::to_string(kPngSize), "--time",
                                       tc.time, tc.seconds ? "--seconds" : "--no-seconds"},
                                      {std::string("TZ=") + std::get<1>(GetParam())});
    ASSERT_EQ(run.status, 0) << run.err;
    Png png(path);
    unlink(path.c_str());
    ASSERT_TRUE(png.ok());
    ASSERT_EQ(png.width(), kPngSize);
    ASSERT_EQ(png.height(), kPngSize);

    for (const Ray &ray : tc.rays) {
        for (double d = ray.from; d <= ray.to; d += 0.005) {
            Point p = along_hand(ray.degrees, d, kPngSize, kPngSize);
            Argb got = png.at(p);
            if (ray.hand)
                EXPECT_TRUE(near(got, kBlack))
                    << "no hand at " << ray.degrees << " deg, " << d << ": " << got;
            else
                EXPECT_FALSE(near(got, kBlack, 8)) << "a hand at " << ray.degrees << " deg, " << d;
        }
    }
    // The face: every tick in its colour; outside it, nothing at all.
    for (int minute = 0; minute < 60; ++minute) {
        Point c = tick_centre(minute, kPngSize, kPngSize);
        EXPECT_TRUE(near(png.at(c), tick_colour(minute)))
            << "minute " << minute << ": " << png.at(c);
    }
    for (Point p : {Point{0, 0}, Point{kPngSize - 1.0, 0}, Point{0, kPngSize - 1.0},
                    Point{kPngSize - 1.0, kPngSize - 1.0}, Point{0.1 * kPngSize, 0.1 * kPngSize},
                    Point{0.9 * kPngSize, 0.9 * kPngSize}})
        EXPECT_EQ(png.at(p).a, 0) << "at (" << p.x << ", " << p.y << ")";
}

INSTANTIATE_TEST_SUITE_P(Times, PngTimeTest,
                         ::testing::Combine(::testing::Range<size_t>(0, time_cases().size()),
                                            ::testing::ValuesIn(time_zones)),
                         [](const ::testing::TestParamInfo<PngTimeTest::ParamType> &param_info) {
                             std::string tz = std::get<1>(param_info.param);
                             std::string name =
                                 std::string(time_cases()[std::get<0>(param_info.param)].name) +
                                 "_";
                             for (char c : tz)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(PngTest, WithoutTimeDrawsNowAtTheDefaultSize)
{
    std::string path = ::testing::TempDir() + "qxclock-now-" + std::to_string(getpid()) + ".png";
    const RunResult run = run_qxclock({"--png", path}, {});
    ASSERT_EQ(run.status, 0) << run.err;
    Png png(path);
    unlink(path.c_str());
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.width(), 512);
    EXPECT_EQ(png.height(), 512);
    EXPECT_TRUE(near(png.at(256, 256), kBlack)) << "no hands at the pivot";
}

// Of an option given twice the last one wins, as with GNU tools.
struct LastWinsCase {
    const char *name;
    std::vector<std::string> args;  // "@" stands for the PNG's path
    int status;
    const char *error;  // in stderr when status != 0
    int side;           // of the PNG; 0: none may be written
    int second_hand;    // 1: drawn, 0: not, -1: not looked at
};

void PrintTo(const LastWinsCase &c, std::ostream *os)
{
    *os << c.name;
}

class LastWinsTest : public ::testing::TestWithParam<LastWinsCase> {};

TEST_P(LastWinsTest, TheLastOneCounts)
{
    const LastWinsCase &c = GetParam();
    ScratchDir dir;
    const std::string path = (dir / "clock.png").string();
    std::vector<std::string> args = c.args;
    std::replace(args.begin(), args.end(), std::string("@"), path);
    const RunResult run = run_qxclock(args, {"DISPLAY=:bogus"});
    ASSERT_EQ(run.status, c.status) << run.err;
    if (c.status != 0) {
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    if (c.side == 0) {
        EXPECT_FALSE(std::filesystem::exists(path));
        return;
    }
    Png png(path);
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.width(), c.side);
    EXPECT_EQ(png.height(), c.side);
    // At 03:00:30 the second hand points straight down, where no other
    // hand is.
    if (c.second_hand < 0)
        return;
    for (double d = 0.05; d <= 0.25; d += 0.005) {
        const Argb got = png.at(along_hand(180, d, c.side, c.side));
        if (c.second_hand)
            EXPECT_TRUE(near(got, kBlack)) << "no second hand at " << d << ": " << got;
        else
            EXPECT_FALSE(near(got, kBlack, 8)) << "a second hand at " << d;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, LastWinsTest,
    ::testing::Values(
        LastWinsCase{"SizeTwice", {"--png", "@", "--size", "3", "--size=40"}, 0, "", 40, -1},
        LastWinsCase{"WindowThenPng", {"--window", "--png", "@", "--size", "24"}, 0, "", 24, -1},
        LastWinsCase{
            "PngThenWindow", {"--png", "@", "--window"}, 1, "cannot open display ':bogus'", 0, -1},
        LastWinsCase{
            "SecondsThenNot",
            {"--png", "@", "--size", "400", "--time", "03:00:30", "--seconds", "--no-seconds"},
            0,
            "",
            kPngSize,
            0},
        LastWinsCase{
            "NotThenSeconds",
            {"--png", "@", "--size", "400", "--time", "03:00:30", "--no-seconds", "--seconds"},
            0,
            "",
            kPngSize,
            1}),
    [](const ::testing::TestParamInfo<LastWinsCase> &param_info) {
        return std::string(param_info.param.name);
    });

// --background in every form, drawn without a display: the colour of a corner.
struct BackgroundCase {
    const char *colour;
    Argb corner;
};

void PrintTo(const BackgroundCase &c, std::ostream *os)
{
    *os << c.colour;
}

class PngBackgroundTest : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(PngBackgroundTest, PaintsTheCorners)
{
    ScratchDir dir;
    const std::string path = (dir / "bg.png").string();
    const RunResult run = run_qxclock(
        {"--png", path, "--size", "32", "--background", GetParam().colour}, {"DISPLAY="});
    ASSERT_EQ(run.status, 0) << run.err;
    Png png(path);
    ASSERT_TRUE(png.ok());
    EXPECT_TRUE(near(png.at(0, 0), GetParam().corner, 1)) << png.at(0, 0);
}

// #FFF is 0xf000 a channel, as in X: the digits are the high bits.
INSTANTIATE_TEST_SUITE_P(Colours, PngBackgroundTest,
                         ::testing::Values(BackgroundCase{"#FFF", Argb{255, 0xf0, 0xf0, 0xf0}},
                                           BackgroundCase{"rgb:ff/80/0", Argb{255, 255, 128, 0}},
                                           BackgroundCase{"rgbi:0/0/1", Argb{255, 0, 0, 255}},
                                           BackgroundCase{"light grey", Argb{255, 211, 211, 211}},
                                           BackgroundCase{"NavyBlue", Argb{255, 0, 0, 128}}));

}  // namespace
}  // namespace quillkit_test

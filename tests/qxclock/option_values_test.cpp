// option_values_test.cpp - the values qxclock's options take: times of day
// and geometries.
#include <gtest/gtest.h>

#include <string>

#include "option_values.h"

namespace {

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

}  // namespace

// local_instant_test.cpp - the instant a time of day names in local time,
// on ordinary days and on the days the clocks change.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "local_instant.h"

namespace {

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

}  // namespace

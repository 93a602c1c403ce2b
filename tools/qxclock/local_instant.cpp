// local_instant.cpp - the instant of a given time of day, in local time.
#include "local_instant.h"

#include <cstdio>
#include <string>

namespace qxclock {

namespace {

// The instant `day_offset` days from `today` at hour:minute:second, if the
// local time at that instant really reads so (mktime moves times that fall in
// a gap of a clock change).
bool try_day(const std::tm &today, int day_offset, int hour, int minute, int second,
             std::time_t &out)
{
    std::tm want = today;
    want.tm_mday += day_offset;
    want.tm_hour = hour;
    want.tm_min = minute;
    want.tm_sec = second;
    want.tm_isdst = -1;  // let mktime decide whether summer time applies
    std::time_t t = std::mktime(&want);
    if (t == static_cast<std::time_t>(-1))
        return false;
    std::tm back{};
    if (!localtime_r(&t, &back))
        return false;
    if (back.tm_hour != hour || back.tm_min != minute || back.tm_sec != second)
        return false;
    out = t;
    return true;
}

}  // namespace

quillkit::Result<timeval> local_instant_today(std::time_t now, int hour, int minute, int second)
{
    std::tm today{};
    if (localtime_r(&now, &today)) {
        // Today first, then the days either side.
        constexpr int kDayOffsets[] = {0, -1, 1};
        for (int offset : kDayOffsets) {
            std::time_t t;
            if (try_day(today, offset, hour, minute, second, t))
                return timeval{t, 0};
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return quillkit::fail(std::string("cannot find ") + text + " in local time");
}

}  // namespace qxclock

// option_values.cpp - the values qxclock's options take.
#include "option_values.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdlib>

namespace qxclock {

namespace {

// A number longer than this is refused before XParseGeometry reads it (its
// reader would overflow an int).
constexpr int kMaxGeometryDigits = 6;

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Two digits at `text`, into `value`.
bool two_digits(const char *text, int &value)
{
    if (!is_digit(text[0]) || !is_digit(text[1]))
        return false;
    value = (text[0] - '0') * 10 + (text[1] - '0');
    return true;
}

bool short_digit_runs(const std::string &text)
{
    int run = 0;
    for (const char c : text) {
        run = is_digit(c) ? run + 1 : 0;
        if (run > kMaxGeometryDigits)
            return false;
    }
    return true;
}

bool read_clock_time(const char *text, ClockTime &out)
{
    // Hour: one or two digits.
    if (!is_digit(text[0]))
        return false;
    int h = text[0] - '0';
    const char *p = text + 1;
    if (is_digit(*p))
        h = h * 10 + (*p++ - '0');
    int m = 0, s = 0;
    if (*p != ':' || !two_digits(p + 1, m))
        return false;
    p += 3;
    if (*p == ':') {
        if (!two_digits(p + 1, s))
            return false;
        p += 3;
    }
    if (*p != '\0' || h > 23 || m > 59 || s > 59)
        return false;
    out = {h, m, s};
    return true;
}

bool read_geometry(const std::string &text, Geometry &out)
{
    if (!short_digit_runs(text))
        return false;
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
    const int mask = XParseGeometry(text.c_str(), &x, &y, &width, &height);
    if (mask == NoValue)
        return false;  // empty, or not a geometry at all
    auto extent = [](unsigned v) { return v >= 1 && v <= static_cast<unsigned>(kMaxSize); };
    auto offset = [](int v) { return v >= -kMaxOffset && v <= kMaxOffset; };
    if (mask & WidthValue) {
        if (!extent(width))
            return false;
        out.width = static_cast<int>(width);
    }
    if (mask & HeightValue) {
        if (!extent(height))
            return false;
        out.height = static_cast<int>(height);
    }
    if (mask & XValue) {
        if (!offset(x))
            return false;
        out.x_from_right = (mask & XNegative) != 0;
        out.x = out.x_from_right ? -x : x;
    }
    if (mask & YValue) {
        if (!offset(y))
            return false;
        out.y_from_bottom = (mask & YNegative) != 0;
        out.y = out.y_from_bottom ? -y : y;
    }
    return true;
}

}  // namespace

quillkit::Result<int> parse_size(const std::string &text)
{
    errno = 0;
    char *end = nullptr;
    const long value = is_digit(text[0]) ? std::strtol(text.c_str(), &end, 10) : 0;
    if (errno != 0 || end == nullptr || *end != '\0' || value < 1 || value > kMaxSize)
        return quillkit::fail("bad size '" + text + "': give a whole number of pixels from 1 to " +
                              std::to_string(kMaxSize));
    return static_cast<int>(value);
}

quillkit::Result<ClockTime> parse_clock_time(const std::string &text)
{
    ClockTime time;
    if (!read_clock_time(text.c_str(), time))
        return quillkit::fail("bad time '" + text +
                              "': give HH:MM or HH:MM:SS, for instance 10:30:45");
    return time;
}

quillkit::Result<Geometry> parse_geometry(const std::string &text)
{
    Geometry geometry;
    if (!read_geometry(text, geometry))
        return quillkit::fail("bad geometry '" + text + "': give WxH+X+Y (each part optional)");
    return geometry;
}

}  // namespace qxclock

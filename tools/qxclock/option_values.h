// option_values.h - the values qxclock's options take: sizes, times of day
// and X geometries.
#ifndef QXCLOCK_OPTION_VALUES_H
#define QXCLOCK_OPTION_VALUES_H

#include <optional>
#include <string>

#include "result.h"

namespace qxclock {

// Largest accepted --size and --geometry extent: well inside what cairo and X
// allow for a surface.
constexpr int kMaxSize = 8192;
// Largest offset accepted in --geometry, X11's coordinate range.
constexpr int kMaxOffset = 32767;

// What --geometry gave, in the X11 geometry syntax [=][W][xH][{+-}X{+-}Y].
// Parts not given keep their defaults; a negative offset counts from the
// right or bottom edge of the screen (so "-0" is flush with it).
struct Geometry {
    std::optional<int> width, height;
    std::optional<int> x, y;
    bool x_from_right = false;
    bool y_from_bottom = false;
};

// A time of day, as --time gives it.
struct ClockTime {
    int hour = 0, minute = 0, second = 0;
};

// Parses a side in pixels: a decimal number of digits only (no sign, no
// spaces) from 1 to kMaxSize. Fails with "bad size 'TEXT': ...".
quillkit::Result<int> parse_size(const std::string &text);

// Parses "HH:MM" or "HH:MM:SS" (hour 0-23 in one or two digits, minutes and
// seconds in two digits each, 00-59). Fails with "bad time 'TEXT': ...".
quillkit::Result<ClockTime> parse_clock_time(const std::string &text);

// Parses an X11 geometry string (see Geometry). Fails with "bad geometry
// 'TEXT': ..." when it is not one, or a size is outside 1..kMaxSize or an
// offset beyond kMaxOffset.
quillkit::Result<Geometry> parse_geometry(const std::string &text);

}  // namespace qxclock

#endif  // QXCLOCK_OPTION_VALUES_H

// clock_geometry.h - where the clock's parts lie, worked out from its design:
// the face is drawn in the unit square stretched over the picture, ticks on a
// ring of radius 0.465 about the centre (minute 0 straight down, minute 15 at
// the left), the hands pivoting on the centre.
#ifndef QUILLKIT_TESTS_CLOCK_GEOMETRY_H
#define QUILLKIT_TESTS_CLOCK_GEOMETRY_H

#include <cmath>

#include "constants.h"
#include "image.h"

namespace quillkit_test {

using quillkit::kPi;
constexpr double kTickRingRadius = 0.465;

// The palette of the clock.
const Argb kAccentBlue = opaque(0.231, 0.502, 0.682);
const Argb kLightGrey = opaque(0.73, 0.73, 0.73);

struct Point {
    double x, y;
};

// Centre of the tick of `minute` in a width x height picture.
inline Point tick_centre(int minute, double width, double height)
{
    double theta = minute * 6.0 * kPi / 180.0;
    return {width * (0.5 - kTickRingRadius * std::sin(theta)),
            height * (0.5 + kTickRingRadius * std::cos(theta))};
}

// The colour of the disc of a tick: blue at the quarters and every five
// minutes, grey elsewhere.
inline Argb tick_colour(int minute)
{
    return minute % 5 == 0 ? kAccentBlue : kLightGrey;
}

// The point `distance` (in units of the picture's width and height) from the
// centre along the clock angle `degrees` (clockwise from 12 o'clock).
inline Point along_hand(double degrees, double distance, double width, double height)
{
    double theta = degrees * kPi / 180.0;
    return {width * (0.5 + distance * std::sin(theta)),
            height * (0.5 - distance * std::cos(theta))};
}

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_CLOCK_GEOMETRY_H

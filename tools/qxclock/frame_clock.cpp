// frame_clock.cpp - when the next frame is due.
#include "frame_clock.h"

#include <algorithm>
#include <cmath>

#include "constants.h"
#include "hand_geometry.h"

namespace qxclock {

namespace {

using quillkit::kPi;
// How far the tips reach from the pivot, in units of the clock's larger
// side (the clock stretches with the window, so the larger side bounds the
// tip's path).
constexpr double kSecondTipRadius = quillkit::tip_radius(quillkit::kSecondHandDesign);
constexpr double kMinuteTipRadius = quillkit::tip_radius(quillkit::kMinuteHandDesign);

// The floor of a modulo, for instants before the epoch too.
std::int64_t floor_mod(std::int64_t value, std::int64_t period)
{
    const std::int64_t r = value % period;
    return r < 0 ? r + period : r;
}

}  // namespace

FrameRate frame_rate_for(int width, int height, bool seconds)
{
    const double side = std::max(1, std::max(width, height));
    FrameRate rate;
    if (seconds) {
        // The tip goes round its circle once a minute.
        const double pixels_per_second = 2 * kPi * kSecondTipRadius * side / 60;
        rate.frames_per_second =
            std::clamp(static_cast<int>(std::ceil(pixels_per_second / kSecondTipStep)), 1,
                       kMaxFramesPerSecond);
    } else {
        // Once an hour.
        const double seconds_per_pixel = 3600 / (2 * kPi * kMinuteTipRadius * side);
        rate.seconds_per_frame =
            std::clamp(static_cast<int>(seconds_per_pixel), 1, kMaxSecondsBetweenFrames);
    }
    return rate;
}

std::int64_t microseconds_to_next_frame(std::int64_t now_us, const FrameRate &rate)
{
    if (rate.frames_per_second <= 0) {
        const std::int64_t period = std::max(1, rate.seconds_per_frame) * kMicrosecondsPerSecond;
        return period - floor_mod(now_us, period);
    }
    const std::int64_t fps = rate.frames_per_second;
    // Position within the current second.
    const std::int64_t usec = floor_mod(now_us, kMicrosecondsPerSecond);
    // Index of the next frame in this second, and its offset rounded up to a
    // whole microsecond so the frame is never drawn early.
    const std::int64_t next = usec * fps / kMicrosecondsPerSecond + 1;
    const std::int64_t boundary = (next * kMicrosecondsPerSecond + fps - 1) / fps;
    return boundary - usec;
}

}  // namespace qxclock

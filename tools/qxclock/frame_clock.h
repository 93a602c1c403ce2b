// frame_clock.h - when the next frame is due.
//
// The clock is redrawn as often as its hands can visibly move at the
// window's size, and no more: a hand has visibly moved when its tip has gone
// one pixel. With the second hand that is a few times a second; without it,
// every few seconds.
#ifndef QXCLOCK_FRAME_CLOCK_H
#define QXCLOCK_FRAME_CLOCK_H

#include <cstdint>

namespace qxclock {

constexpr std::int64_t kMicrosecondsPerSecond = 1000000;
// The most frames a second the window draws, however large it is.
constexpr int kMaxFramesPerSecond = 30;
// The longest time between frames without the second hand.
constexpr int kMaxSecondsBetweenFrames = 60;

// How often a width x height clock is redrawn, as a period in microseconds
// that divides a second (frames_per_second > 0) or is whole seconds.
struct FrameRate {
    int frames_per_second = 0;  // with the second hand: frames a second
    int seconds_per_frame = 0;  // without it: seconds between frames
};

// The rate at which the second hand's tip (or, without it, the minute
// hand's) moves one pixel a frame in a width x height clock: at least one
// frame a second and at most kMaxFramesPerSecond with the second hand, at
// least one frame every kMaxSecondsBetweenFrames without.
FrameRate frame_rate_for(int width, int height, bool seconds);

// Frames fall at k / frames_per_second of every second (k = 0, 1, ...), or on
// the whole seconds that are multiples of seconds_per_frame since the epoch,
// so one always falls on a whole second and the hands never lag or skip one.
// Returns how many microseconds after `now_us` (microseconds since the epoch)
// the next frame is due: more than 0 and at most one period, so a frame drawn
// right on a boundary is not drawn twice.
std::int64_t microseconds_to_next_frame(std::int64_t now_us, const FrameRate &rate);

}  // namespace qxclock

#endif  // QXCLOCK_FRAME_CLOCK_H

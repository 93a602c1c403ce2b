// frame_clock.h - when the next frame is due.
//
// The clock is redrawn as often as its hands can visibly move at the
// window's size, and no more: the minute hand has visibly moved when its tip
// has gone one pixel, and the second hand sweeps in steps of at most
// kSecondTipStep pixels at its tip, a few times a second (as a mechanical
// watch's hand sweeps in five to eight beats a second). Each frame wakes the
// program and makes the X server and the compositing manager show it, which
// costs far more than drawing the hand: steps of two pixels instead of one
// cost a third as much. Without the second hand the clock is redrawn every
// few seconds.
#ifndef QXCLOCK_FRAME_CLOCK_H
#define QXCLOCK_FRAME_CLOCK_H

#include <cstdint>

namespace qxclock {

constexpr std::int64_t kMicrosecondsPerSecond = 1000000;
// The most frames a second the window draws, however large it is.
constexpr int kMaxFramesPerSecond = 30;
// The longest time between frames without the second hand.
constexpr int kMaxSecondsBetweenFrames = 60;
// How far the second hand's tip moves at most from one frame to the next, in
// pixels.
constexpr double kSecondTipStep = 2;

// How often a width x height clock is redrawn, as a period in microseconds
// that divides a second (frames_per_second > 0) or is whole seconds.
struct FrameRate {
    int frames_per_second = 0;  // with the second hand: frames a second
    int seconds_per_frame = 0;  // without it: seconds between frames
};

// The rate at which the second hand's tip moves kSecondTipStep pixels a
// frame (or, without it, the minute hand's one pixel) in a width x height
// clock: at least one frame a second and at most kMaxFramesPerSecond with the
// second hand, at least one frame every kMaxSecondsBetweenFrames without.
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

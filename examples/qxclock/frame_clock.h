// frame_clock.h - when the next frame is due.
#ifndef QXCLOCK_FRAME_CLOCK_H
#define QXCLOCK_FRAME_CLOCK_H

#include <cstdint>

namespace qxclock {

constexpr std::int64_t microseconds_per_second = 1000000;

// Frames fall at k / frames_per_second of every second (k = 0, 1, ...), so one
// always falls exactly on the whole second and the hands never lag or skip a
// second. Returns how many microseconds after `now_us` (microseconds since the
// epoch) the next frame is due: from 1 up to one frame period, never 0, so a
// frame drawn right on a boundary is not drawn twice.
std::int64_t microseconds_to_next_frame(std::int64_t now_us, int frames_per_second);

}  // namespace qxclock

#endif  // QXCLOCK_FRAME_CLOCK_H

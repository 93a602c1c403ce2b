// frame_clock.cpp - when the next frame is due.
#include "frame_clock.h"

namespace qxclock {

std::int64_t microseconds_to_next_frame(std::int64_t now_us, int frames_per_second)
{
    const std::int64_t fps = frames_per_second > 0 ? frames_per_second : 1;
    // Position within the current second; the floor keeps it in [0, 1 s) also
    // for instants before the epoch.
    std::int64_t usec = now_us % microseconds_per_second;
    if (usec < 0)
        usec += microseconds_per_second;
    // Index of the next frame in this second, and its offset rounded up to a
    // whole microsecond so the frame is never drawn early.
    std::int64_t next = usec * fps / microseconds_per_second + 1;
    std::int64_t boundary = (next * microseconds_per_second + fps - 1) / fps;
    return boundary - usec;
}

}  // namespace qxclock

// png_output.h - the clock drawn into a PNG file.
#ifndef QXCLOCK_PNG_OUTPUT_H
#define QXCLOCK_PNG_OUTPUT_H

#include <string>
#include <sys/time.h>

namespace qxclock {

// Draws face and hands for the instant `tv` (or the moment of the call when
// `tv` is null) into a size x size picture with a transparent background and
// writes it to `path`. On failure returns false with the reason in `error`.
bool write_clock_png(const std::string &path, int size, const timeval *tv, bool seconds,
                     std::string &error);

}  // namespace qxclock

#endif  // QXCLOCK_PNG_OUTPUT_H

// png_output.h - the clock drawn into a PNG file.
#ifndef QXCLOCK_PNG_OUTPUT_H
#define QXCLOCK_PNG_OUTPUT_H

#include <optional>
#include <string>
#include <sys/time.h>

#include "options.h"

namespace qxclock {

struct PngRequest {
    std::string path;
    int size = kDefaultPngSize;
    const timeval *tv = nullptr;  // null: the moment of drawing
    bool seconds = false;
    std::optional<Rgb> background;  // none: transparent around the face
};

// Draws face and hands into a size x size picture and writes it to the path.
//
// A regular file (or a path that does not exist yet) is replaced in one step:
// the picture goes into a new file in the same directory, which is renamed
// over the path only once it is complete, so a failed write leaves the old
// file as it was. A symbolic link to a regular file keeps being a link: its
// target is replaced. Anything else that exists (a device such as
// /dev/stdout, a FIFO) is written in place, without truncating or removing
// it. On failure returns false with the reason in `error`.
bool write_clock_png(const PngRequest &request, std::string &error);

}  // namespace qxclock

#endif  // QXCLOCK_PNG_OUTPUT_H

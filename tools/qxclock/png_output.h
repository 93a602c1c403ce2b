// png_output.h - the clock drawn into a PNG file.
#ifndef QXCLOCK_PNG_OUTPUT_H
#define QXCLOCK_PNG_OUTPUT_H

#include <sys/time.h>

#include <optional>
#include <string>

#include "options.h"
#include "result.h"

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
// The path "-" is standard output. Any other path is written as
// quillkit::OutputFile writes (output_file.h): a regular file (or a path that
// does not exist yet) is replaced in one step once the picture is complete,
// a link to one stays a link, a device or a FIFO is written in place, and a
// termination signal during the write leaves no temporary file behind. A
// failure names the reason.
quillkit::Result<void> write_clock_png(const PngRequest &request);

}  // namespace qxclock

#endif  // QXCLOCK_PNG_OUTPUT_H

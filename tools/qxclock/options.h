// options.h - the command line of qxclock.
#ifndef QXCLOCK_OPTIONS_H
#define QXCLOCK_OPTIONS_H

#include <optional>
#include <string>

#include "colour.h"
#include "option_values.h"
#include "result.h"

namespace qxclock {

enum class Mode { kWindow, kPng };

// A colour as red, green and blue in 0..1.
using Rgb = quillkit::Rgb;

struct Options {
    Mode mode = Mode::kWindow;
    std::string png_path;         // --png FILE
    std::optional<int> size;      // --size N
    std::optional<bool> seconds;  // --seconds / --no-seconds
    Geometry geometry;            // --geometry
    std::string display;          // --display NAME; empty: $DISPLAY
    // --background: `background_rgb` when given in a numeric form (see
    // parse_colour), else the colour name in `background_name`, for the X
    // server's database or the built-in names to resolve.
    std::optional<Rgb> background_rgb;
    std::string background_name;
    std::optional<ClockTime> time;  // --time HH:MM[:SS]
    bool help = false;              // --help
    bool version = false;           // --version

    bool has_background() const { return background_rgb || !background_name.empty(); }
    // The side of the picture, or of the window when --geometry gives none.
    int side() const;
    // Whether the second hand is shown: by default in the window, not in a PNG.
    bool show_seconds() const;
};

constexpr int kDefaultPngSize = 512;
constexpr int kDefaultWindowSize = 256;

// Reads the command line. Options are taken in order, so that of one given
// twice the last wins, as with GNU tools: "--size 10 --size 20" is 20,
// "--png FILE --window" the window; "--seconds" and "--no-seconds" are one
// option given two ways, as are "--png" and "--window". Options that do not
// go together fail, as does an operand. The X toolkit's "-geometry" and
// "-display" are read as "--geometry" and "--display". A failure is one line
// naming the problem, without the program's name.
quillkit::Result<Options> parse_options(int argc, const char *const *argv);

// The usage text, ending in a newline.
const char *usage_text();

}  // namespace qxclock

#endif  // QXCLOCK_OPTIONS_H

// options.h - the command line of qxclock.
#ifndef QXCLOCK_OPTIONS_H
#define QXCLOCK_OPTIONS_H

#include <cstddef>
#include <optional>
#include <string>

#include "colour.h"

namespace qxclock {

enum class Mode { kWindow, kPng };

// A colour as red, green and blue in 0..1.
using Rgb = quillkit::Rgb;

// What --geometry gave, in the X11 geometry syntax [=][W][xH][{+-}X{+-}Y].
// Parts not given keep their defaults; a negative offset counts from the
// right or bottom edge of the screen (so "-0" is flush with it).
struct Geometry {
    std::optional<int> width, height;
    std::optional<int> x, y;
    bool x_from_right = false;
    bool y_from_bottom = false;
};

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
    bool has_time = false;  // --time HH:MM[:SS]
    int hour = 0, minute = 0, second = 0;
    bool help = false;     // --help
    bool version = false;  // --version

    bool has_background() const { return background_rgb || !background_name.empty(); }
    // The side of the picture, or of the window when --geometry gives none.
    int side() const;
    // Whether the second hand is shown: by default in the window, not in a PNG.
    bool show_seconds() const;
};

// Largest accepted --size and --geometry extent: well inside what cairo and X
// allow for a surface.
constexpr int kMaxSize = 8192;
constexpr int kDefaultPngSize = 512;
constexpr int kDefaultWindowSize = 256;
// Largest offset accepted in --geometry, X11's coordinate range.
constexpr int kMaxOffset = 32767;

// Parses argv into `opts` (getopt_long; argv may be permuted). On a bad
// command line returns false and puts one line naming the problem (without
// the program name) into `error`.
bool parse_options(int argc, char **argv, Options &opts, std::string &error);

// Parses "HH:MM" or "HH:MM:SS" (hour 0-23 in one or two digits, minutes and
// seconds in two digits each, 00-59). Returns false for anything else.
bool parse_clock_time(const char *text, int &hour, int &minute, int &second);

// Parses an X11 geometry string (see Geometry). Returns false when it is not
// one, or a size is outside 1..kMaxSize or an offset beyond kMaxOffset.
bool parse_geometry(const char *text, Geometry &out);

// Parses a colour as XParseColor does, without a display: "#RGB",
// "#RRGGBB", "#RRRGGGBBB" and "#RRRRGGGGBBBB" (the digits are the high bits
// of each channel), "rgb:R/G/B" with one to four hex digits a channel (scaled
// to the full range), "rgbi:R/G/B" with numbers from 0 to 1, and the common X
// colour names (see colour_names), in either case and with any spaces
// ("light grey" is "LightGrey"). Returns false for anything else.
bool parse_colour(const char *text, Rgb &out);

// Whether `text` is meant as a numeric colour ("#", "rgb:" or "rgbi:"), so
// that parse_colour refusing it makes it malformed rather than a name it does
// not know.
bool is_numeric_colour(const char *text);

// A built-in colour name, as X's colour database spells it, and its value.
struct ColourName {
    const char *name;
    unsigned char r, g, b;
};

// The built-in names, for parse_colour: those of X's colour database in
// common use, each once (the "grey" spellings are found as "gray").
const ColourName *colour_names(std::size_t &count);

// The usage text, ending in a newline.
const char *usage_text();

}  // namespace qxclock

#endif  // QXCLOCK_OPTIONS_H

// options.h - the command line of qxclock.
#ifndef QXCLOCK_OPTIONS_H
#define QXCLOCK_OPTIONS_H

#include <string>

namespace qxclock {

enum class Mode { none, png, window };

struct Options {
    Mode mode = Mode::none;
    std::string png_path;   // --png FILE
    int size = 0;           // --size N; 0 until given, then the mode's default
    bool seconds = false;   // --seconds / --no-seconds, the last one wins
    bool has_time = false;  // --time HH:MM:SS given
    int hour = 0, minute = 0, second = 0;
    bool help = false;     // --help
    bool version = false;  // --version
};

// Largest accepted --size: well inside what cairo and X allow for a surface.
constexpr int max_size = 8192;
constexpr int default_png_size = 512;
constexpr int default_window_size = 256;

// Parses argv into `opts`. On a bad command line returns false and puts one
// line explaining why (without the program name) into `error`.
bool parse_options(int argc, char **argv, Options &opts, std::string &error);

// Parses "HH:MM:SS" (hour 0-23 in one or two digits, minutes and seconds in
// two digits each, 00-59). Returns false for anything else.
bool parse_clock_time(const char *text, int &hour, int &minute, int &second);

// The usage text, ending in a newline.
const char *usage_text();

}  // namespace qxclock

#endif  // QXCLOCK_OPTIONS_H

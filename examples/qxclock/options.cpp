// options.cpp - parsing the command line of qxclock.
#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qxclock {

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal integer made of digits only (no sign, no spaces), in 1..max_size.
bool parse_size(const char *text, int &size)
{
    if (!is_digit(text[0]))
        return false;
    errno = 0;
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > max_size)
        return false;
    size = static_cast<int>(value);
    return true;
}

// Two digits at `text`, into `value`.
bool two_digits(const char *text, int &value)
{
    if (!is_digit(text[0]) || !is_digit(text[1]))
        return false;
    value = (text[0] - '0') * 10 + (text[1] - '0');
    return true;
}

}  // namespace

bool parse_clock_time(const char *text, int &hour, int &minute, int &second)
{
    // Hour: one or two digits.
    if (!is_digit(text[0]))
        return false;
    int h = text[0] - '0';
    const char *p = text + 1;
    if (is_digit(*p))
        h = h * 10 + (*p++ - '0');
    int m = 0, s = 0;
    if (*p != ':' || !two_digits(p + 1, m))
        return false;
    p += 3;
    if (*p != ':' || !two_digits(p + 1, s))
        return false;
    p += 3;
    if (*p != '\0' || h > 23 || m > 59 || s > 59)
        return false;
    hour = h;
    minute = m;
    second = s;
    return true;
}

bool parse_options(int argc, char **argv, Options &opts, std::string &error)
{
    opts = Options{};
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        // Options that take a value take it from the next argument.
        auto value = [&](const char **out) {
            if (i + 1 >= argc) {
                error = std::string("option '") + arg + "' needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        const char *v = nullptr;
        if (std::strcmp(arg, "--png") == 0) {
            if (!value(&v))
                return false;
            if (*v == '\0') {
                error = "option '--png' needs a file name";
                return false;
            }
            if (opts.mode == Mode::window) {
                error = "'--png' and '--window' cannot be used together";
                return false;
            }
            opts.mode = Mode::png;
            opts.png_path = v;
        } else if (std::strcmp(arg, "--window") == 0) {
            if (opts.mode == Mode::png) {
                error = "'--png' and '--window' cannot be used together";
                return false;
            }
            opts.mode = Mode::window;
        } else if (std::strcmp(arg, "--size") == 0) {
            if (!value(&v))
                return false;
            if (!parse_size(v, opts.size)) {
                error = std::string("bad size '") + v +
                        "': give a whole number of pixels from 1 to " + std::to_string(max_size);
                return false;
            }
        } else if (std::strcmp(arg, "--time") == 0) {
            if (!value(&v))
                return false;
            if (!parse_clock_time(v, opts.hour, opts.minute, opts.second)) {
                error = std::string("bad time '") + v + "': give HH:MM:SS, for instance 10:30:45";
                return false;
            }
            opts.has_time = true;
        } else if (std::strcmp(arg, "--seconds") == 0) {
            opts.seconds = true;
        } else if (std::strcmp(arg, "--no-seconds") == 0) {
            opts.seconds = false;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            opts.help = true;
            return true;
        } else if (std::strcmp(arg, "--version") == 0) {
            opts.version = true;
            return true;
        } else {
            error = std::string("unknown argument '") + arg + "'";
            return false;
        }
    }
    if (opts.mode == Mode::none) {
        error = "choose '--png FILE' or '--window'";
        return false;
    }
    if (opts.has_time && opts.mode == Mode::window) {
        error = "'--time' applies to '--png' only; the window shows the time of day";
        return false;
    }
    if (opts.size == 0)
        opts.size = opts.mode == Mode::png ? default_png_size : default_window_size;
    return true;
}

const char *usage_text()
{
    return "usage: qxclock --png FILE [--size N] [--time HH:MM:SS] [--seconds|--no-seconds]\n"
           "       qxclock --window [--size N] [--seconds|--no-seconds]\n"
           "\n"
           "  --png FILE      draw the clock into a PNG with a transparent background\n"
           "  --window        show the clock in an X11 window, translucent where the\n"
           "                  screen allows it; close it from the window manager or Ctrl-C\n"
           "  --size N        side of the picture or window in pixels (1-8192;\n"
           "                  default 512 for --png, 256 for --window)\n"
           "  --time HH:MM:SS draw that time of today (local time) instead of now (--png)\n"
           "  --seconds       show the second hand; --no-seconds hides it (the default)\n"
           "  --version       print the version and exit\n";
}

}  // namespace qxclock

// options.cpp - parsing the command line of qxclock.
#include "options.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qxclock {

namespace {

// getopt_long's codes for the options without a short form.
enum LongOption : int {
    kOptPng = 256,
    kOptWindow,
    kOptSize,
    kOptGeometry,
    kOptDisplay,
    kOptSeconds,
    kOptNoSeconds,
    kOptBackground,
    kOptTime,
    kOptVersion,
};

constexpr option kLongOptions[] = {
    {"png", required_argument, nullptr, kOptPng},
    {"window", no_argument, nullptr, kOptWindow},
    {"size", required_argument, nullptr, kOptSize},
    {"geometry", required_argument, nullptr, kOptGeometry},
    {"display", required_argument, nullptr, kOptDisplay},
    {"seconds", no_argument, nullptr, kOptSeconds},
    {"no-seconds", no_argument, nullptr, kOptNoSeconds},
    {"background", required_argument, nullptr, kOptBackground},
    {"time", required_argument, nullptr, kOptTime},
    {"version", no_argument, nullptr, kOptVersion},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

// A number longer than this is refused before XParseGeometry reads it (its
// reader would overflow an int).
constexpr int kMaxGeometryDigits = 6;

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

int hex_value(char c)
{
    if (is_digit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A decimal integer made of digits only (no sign, no spaces), in 1..kMaxSize.
bool parse_size(const char *text, int &size)
{
    if (!is_digit(text[0]))
        return false;
    errno = 0;
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > kMaxSize)
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

bool short_digit_runs(const char *text)
{
    int run = 0;
    for (const char *p = text; *p; ++p) {
        run = is_digit(*p) ? run + 1 : 0;
        if (run > kMaxGeometryDigits)
            return false;
    }
    return true;
}

// The options of one run, checked as they are read. Each option that holds a
// value may be given once: a second one is an error, not an override.
class Parser {
public:
    explicit Parser(Options &opts) : opts_(opts) {}

    // Takes one option as getopt_long returned it; `name` is how it was
    // spelled on the command line.
    bool take(int code, const char *value, const std::string &name, std::string &error);
    // Checks what the options say together.
    bool finish(std::string &error);

private:
    bool once(const std::string &key, const std::string &name, std::string &error);
    bool take_value(int code, const char *value, const std::string &name, std::string &error);

    Options &opts_;
    std::vector<std::pair<std::string, std::string>> seen_;  // key, spelling
};

bool Parser::once(const std::string &key, const std::string &name, std::string &error)
{
    for (const auto &[k, spelling] : seen_) {
        if (k == key) {
            error = spelling == name
                        ? "option '" + name + "' given twice"
                        : "options '" + spelling + "' and '" + name + "' cannot be used together";
            return false;
        }
    }
    seen_.emplace_back(key, name);
    return true;
}

bool Parser::take(int code, const char *value, const std::string &name, std::string &error)
{
    switch (code) {
    case 'h':
        opts_.help = true;
        return true;
    case kOptVersion:
        opts_.version = true;
        return true;
    case kOptWindow:
        return once("mode", name, error);
    case kOptSeconds:
    case kOptNoSeconds:
        if (!once("seconds", name, error))
            return false;
        opts_.seconds = code == kOptSeconds;
        return true;
    default:
        return take_value(code, value, name, error);
    }
}

bool Parser::take_value(int code, const char *value, const std::string &name, std::string &error)
{
    const std::string quoted = std::string("'") + value + "'";
    switch (code) {
    case kOptPng:
        if (!once("mode", name, error))
            return false;
        if (*value == '\0') {
            error = "option '" + name + "' needs a file name";
            return false;
        }
        opts_.mode = Mode::kPng;
        opts_.png_path = value;
        return true;
    case kOptSize: {
        int size = 0;
        if (!once("size", name, error))
            return false;
        if (!parse_size(value, size)) {
            error = "bad size " + quoted + ": give a whole number of pixels from 1 to " +
                    std::to_string(kMaxSize);
            return false;
        }
        opts_.size = size;
        return true;
    }
    case kOptGeometry:
        if (!once("geometry", name, error))
            return false;
        if (!parse_geometry(value, opts_.geometry)) {
            error = "bad geometry " + quoted + ": give WxH+X+Y (each part optional)";
            return false;
        }
        return true;
    case kOptDisplay:
        if (!once("display", name, error))
            return false;
        opts_.display = value;
        return true;
    case kOptBackground: {
        if (!once("background", name, error))
            return false;
        Rgb rgb;
        if (value[0] == '#' && !parse_hex_colour(value, rgb)) {
            error = "bad colour " + quoted + ": give #rrggbb or an X colour name";
            return false;
        }
        if (value[0] == '#')
            opts_.background_rgb = rgb;
        else if (*value == '\0') {
            error = "option '" + name + "' needs a colour";
            return false;
        } else
            opts_.background_name = value;
        return true;
    }
    case kOptTime:
        if (!once("time", name, error))
            return false;
        if (!parse_clock_time(value, opts_.hour, opts_.minute, opts_.second)) {
            error = "bad time " + quoted + ": give HH:MM or HH:MM:SS, for instance 10:30:45";
            return false;
        }
        opts_.has_time = true;
        return true;
    default:
        error = "unexpected option '" + name + "'";
        return false;
    }
}

bool Parser::finish(std::string &error)
{
    const bool png = opts_.mode == Mode::kPng;
    auto given = [&](const char *key) {
        for (const auto &entry : seen_)
            if (entry.first == key)
                return entry.second;
        return std::string();
    };
    if (opts_.has_time && !png) {
        error = "'" + given("time") + "' applies to '--png' only; the window shows the time of day";
        return false;
    }
    if (png) {
        for (const char *key : {"geometry", "display"}) {
            if (!given(key).empty()) {
                error = "'" + given(key) + "' applies to the window, not to '--png'";
                return false;
            }
        }
        if (!opts_.background_name.empty()) {
            error = "with '--png', give the background as #rrggbb (colour names are the X "
                    "server's)";
            return false;
        }
    }
    if (opts_.size && (opts_.geometry.width || opts_.geometry.height)) {
        error = "'" + given("size") + "' and a size in '" + given("geometry") +
                "' cannot be used together";
        return false;
    }
    return true;
}

// The argument getopt_long has just rejected, less any "=value".
std::string rejected(char **argv, int index)
{
    std::string arg = index > 0 ? argv[index - 1] : "";
    const auto eq = arg.find('=');
    return eq == std::string::npos ? arg : arg.substr(0, eq);
}

}  // namespace

int Options::side() const
{
    if (size)
        return *size;
    return mode == Mode::kPng ? kDefaultPngSize : kDefaultWindowSize;
}

bool Options::show_seconds() const
{
    return seconds.value_or(mode == Mode::kWindow);
}

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
    if (*p == ':') {
        if (!two_digits(p + 1, s))
            return false;
        p += 3;
    }
    if (*p != '\0' || h > 23 || m > 59 || s > 59)
        return false;
    hour = h;
    minute = m;
    second = s;
    return true;
}

bool parse_geometry(const char *text, Geometry &out)
{
    if (!short_digit_runs(text))
        return false;
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
    const int mask = XParseGeometry(text, &x, &y, &width, &height);
    if (mask == NoValue)
        return false;  // empty, or not a geometry at all
    Geometry g;
    auto extent = [](unsigned v) { return v >= 1 && v <= static_cast<unsigned>(kMaxSize); };
    auto offset = [](int v) { return v >= -kMaxOffset && v <= kMaxOffset; };
    if (mask & WidthValue) {
        if (!extent(width))
            return false;
        g.width = static_cast<int>(width);
    }
    if (mask & HeightValue) {
        if (!extent(height))
            return false;
        g.height = static_cast<int>(height);
    }
    if (mask & XValue) {
        if (!offset(x))
            return false;
        g.x_from_right = (mask & XNegative) != 0;
        g.x = g.x_from_right ? -x : x;
    }
    if (mask & YValue) {
        if (!offset(y))
            return false;
        g.y_from_bottom = (mask & YNegative) != 0;
        g.y = g.y_from_bottom ? -y : y;
    }
    out = g;
    return true;
}

bool parse_hex_colour(const char *text, Rgb &out)
{
    if (text[0] != '#' || std::strlen(text) != 7)
        return false;
    double channel[3];
    for (int i = 0; i < 3; ++i) {
        const int hi = hex_value(text[1 + 2 * i]), lo = hex_value(text[2 + 2 * i]);
        if (hi < 0 || lo < 0)
            return false;
        channel[i] = (hi * 16 + lo) / 255.0;
    }
    out = {channel[0], channel[1], channel[2]};
    return true;
}

bool parse_options(int argc, char **argv, Options &opts, std::string &error)
{
    opts = Options{};
    // X11 users type the X toolkit's single-dash spellings.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-geometry") == 0)
            argv[i] = const_cast<char *>("--geometry");
        else if (std::strcmp(argv[i], "-display") == 0)
            argv[i] = const_cast<char *>("--display");
    }
    Parser parser(opts);
    // getopt_long keeps its place in globals of the C library: start afresh
    // (0 also resets GNU getopt's internal state), and report nothing itself.
    optind = 0;
    opterr = 0;
    for (;;) {
        int index = -1;
        const int code = getopt_long(argc, argv, ":h", kLongOptions, &index);
        if (code == -1)
            break;
        if (code == ':' || code == '?') {
            const std::string arg = rejected(argv, optind);
            if (code == ':')
                error = "option '" + arg + "' needs a value";
            else if (optopt != 0 && arg.rfind("--", 0) == 0)
                error = "option '" + arg + "' takes no value";
            else
                error = "unknown option '" + arg + "'";
            return false;
        }
        // Messages name the option in full, however it was abbreviated.
        const std::string name =
            index >= 0 ? std::string("--") + kLongOptions[index].name : std::string("-h");
        if (!parser.take(code, optarg, name, error))
            return false;
    }
    if (optind < argc) {
        error = std::string("unexpected argument '") + argv[optind] + "'";
        return false;
    }
    return opts.help || opts.version || parser.finish(error);
}

const char *usage_text()
{
    return "usage: qxclock [--window] [--geometry WxH+X+Y] [--size N] [--display NAME]\n"
           "               [--seconds|--no-seconds] [--background COLOR]\n"
           "       qxclock --png FILE [--size N] [--time HH:MM[:SS]] [--seconds|--no-seconds]\n"
           "               [--background #rrggbb]\n"
           "\n"
           "Shows an analogue clock in an X11 window (the default), translucent under a\n"
           "compositing manager, or draws it once into a PNG file.\n"
           "\n"
           "  --window             show the window (the default)\n"
           "  --geometry WxH+X+Y   size and place of the window, X11 style; each part\n"
           "                       optional, -X and -Y count from the right and bottom\n"
           "  --size N             side of the window or picture in pixels (1-8192;\n"
           "                       default 256 for the window, 512 for --png)\n"
           "  --display NAME       the X display to use instead of $DISPLAY\n"
           "  --seconds            show the second hand (the window's default)\n"
           "  --no-seconds         hide it (the PNG's default)\n"
           "  --background COLOR   paint the clear parts in COLOR: #rrggbb or an X colour\n"
           "                       name (#rrggbb only with --png)\n"
           "  --png FILE           draw the clock into FILE, transparent around the face\n"
           "  --time HH:MM[:SS]    with --png, draw that time of today instead of now\n"
           "  --help               print this text and exit\n"
           "  --version            print the version and exit\n";
}

}  // namespace qxclock

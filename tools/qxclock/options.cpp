// options.cpp - parsing the command line of qxclock.
#include "options.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
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

// The built-in colour names: lower case without spaces, in byte order for
// a binary search. The values are those of X's colour database.
constexpr ColourName kColourNames[] = {
    {"aliceblue", 240, 248, 255},
    {"antiquewhite", 250, 235, 215},
    {"aqua", 0, 255, 255},
    {"aquamarine", 127, 255, 212},
    {"azure", 240, 255, 255},
    {"beige", 245, 245, 220},
    {"bisque", 255, 228, 196},
    {"black", 0, 0, 0},
    {"blanchedalmond", 255, 235, 205},
    {"blue", 0, 0, 255},
    {"blueviolet", 138, 43, 226},
    {"brown", 165, 42, 42},
    {"burlywood", 222, 184, 135},
    {"cadetblue", 95, 158, 160},
    {"chartreuse", 127, 255, 0},
    {"chocolate", 210, 105, 30},
    {"coral", 255, 127, 80},
    {"cornflowerblue", 100, 149, 237},
    {"cornsilk", 255, 248, 220},
    {"crimson", 220, 20, 60},
    {"cyan", 0, 255, 255},
    {"darkblue", 0, 0, 139},
    {"darkcyan", 0, 139, 139},
    {"darkgoldenrod", 184, 134, 11},
    {"darkgray", 169, 169, 169},
    {"darkgreen", 0, 100, 0},
    {"darkkhaki", 189, 183, 107},
    {"darkmagenta", 139, 0, 139},
    {"darkolivegreen", 85, 107, 47},
    {"darkorange", 255, 140, 0},
    {"darkorchid", 153, 50, 204},
    {"darkred", 139, 0, 0},
    {"darksalmon", 233, 150, 122},
    {"darkseagreen", 143, 188, 143},
    {"darkslateblue", 72, 61, 139},
    {"darkslategray", 47, 79, 79},
    {"darkturquoise", 0, 206, 209},
    {"darkviolet", 148, 0, 211},
    {"deeppink", 255, 20, 147},
    {"deepskyblue", 0, 191, 255},
    {"dimgray", 105, 105, 105},
    {"dodgerblue", 30, 144, 255},
    {"firebrick", 178, 34, 34},
    {"floralwhite", 255, 250, 240},
    {"forestgreen", 34, 139, 34},
    {"fuchsia", 255, 0, 255},
    {"gainsboro", 220, 220, 220},
    {"ghostwhite", 248, 248, 255},
    {"gold", 255, 215, 0},
    {"goldenrod", 218, 165, 32},
    {"gray", 190, 190, 190},
    {"green", 0, 255, 0},
    {"greenyellow", 173, 255, 47},
    {"honeydew", 240, 255, 240},
    {"hotpink", 255, 105, 180},
    {"indianred", 205, 92, 92},
    {"indigo", 75, 0, 130},
    {"ivory", 255, 255, 240},
    {"khaki", 240, 230, 140},
    {"lavender", 230, 230, 250},
    {"lavenderblush", 255, 240, 245},
    {"lawngreen", 124, 252, 0},
    {"lemonchiffon", 255, 250, 205},
    {"lightblue", 173, 216, 230},
    {"lightcoral", 240, 128, 128},
    {"lightcyan", 224, 255, 255},
    {"lightgoldenrod", 238, 221, 130},
    {"lightgoldenrodyellow", 250, 250, 210},
    {"lightgray", 211, 211, 211},
    {"lightgreen", 144, 238, 144},
    {"lightpink", 255, 182, 193},
    {"lightsalmon", 255, 160, 122},
    {"lightseagreen", 32, 178, 170},
    {"lightskyblue", 135, 206, 250},
    {"lightslateblue", 132, 112, 255},
    {"lightslategray", 119, 136, 153},
    {"lightsteelblue", 176, 196, 222},
    {"lightyellow", 255, 255, 224},
    {"lime", 0, 255, 0},
    {"limegreen", 50, 205, 50},
    {"linen", 250, 240, 230},
    {"magenta", 255, 0, 255},
    {"maroon", 176, 48, 96},
    {"mediumaquamarine", 102, 205, 170},
    {"mediumblue", 0, 0, 205},
    {"mediumorchid", 186, 85, 211},
    {"mediumpurple", 147, 112, 219},
    {"mediumseagreen", 60, 179, 113},
    {"mediumslateblue", 123, 104, 238},
    {"mediumspringgreen", 0, 250, 154},
    {"mediumturquoise", 72, 209, 204},
    {"mediumvioletred", 199, 21, 133},
    {"midnightblue", 25, 25, 112},
    {"mintcream", 245, 255, 250},
    {"mistyrose", 255, 228, 225},
    {"moccasin", 255, 228, 181},
    {"navajowhite", 255, 222, 173},
    {"navy", 0, 0, 128},
    {"navyblue", 0, 0, 128},
    {"oldlace", 253, 245, 230},
    {"olive", 128, 128, 0},
    {"olivedrab", 107, 142, 35},
    {"orange", 255, 165, 0},
    {"orangered", 255, 69, 0},
    {"orchid", 218, 112, 214},
    {"palegoldenrod", 238, 232, 170},
    {"palegreen", 152, 251, 152},
    {"paleturquoise", 175, 238, 238},
    {"palevioletred", 219, 112, 147},
    {"papayawhip", 255, 239, 213},
    {"peachpuff", 255, 218, 185},
    {"peru", 205, 133, 63},
    {"pink", 255, 192, 203},
    {"plum", 221, 160, 221},
    {"powderblue", 176, 224, 230},
    {"purple", 160, 32, 240},
    {"rebeccapurple", 102, 51, 153},
    {"red", 255, 0, 0},
    {"rosybrown", 188, 143, 143},
    {"royalblue", 65, 105, 225},
    {"saddlebrown", 139, 69, 19},
    {"salmon", 250, 128, 114},
    {"sandybrown", 244, 164, 96},
    {"seagreen", 46, 139, 87},
    {"seashell", 255, 245, 238},
    {"sienna", 160, 82, 45},
    {"silver", 192, 192, 192},
    {"skyblue", 135, 206, 235},
    {"slateblue", 106, 90, 205},
    {"slategray", 112, 128, 144},
    {"snow", 255, 250, 250},
    {"springgreen", 0, 255, 127},
    {"steelblue", 70, 130, 180},
    {"tan", 210, 180, 140},
    {"teal", 0, 128, 128},
    {"thistle", 216, 191, 216},
    {"tomato", 255, 99, 71},
    {"turquoise", 64, 224, 208},
    {"violet", 238, 130, 238},
    {"violetred", 208, 32, 144},
    {"wheat", 245, 222, 179},
    {"white", 255, 255, 255},
    {"whitesmoke", 245, 245, 245},
    {"yellow", 255, 255, 0},
    {"yellowgreen", 154, 205, 50},
};

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `text` begins with `prefix` (lower case), in either case; `rest`
// is what follows it.
bool has_prefix(const char *text, const char *prefix, const char *&rest)
{
    for (; *prefix; ++prefix, ++text)
        if (lower(*text) != *prefix)
            return false;
    rest = text;
    return true;
}

// "#" and 3, 6, 9 or 12 hex digits: each channel's digits are its high bits.
bool parse_sharp(const char *digits, Rgb &out)
{
    const std::size_t length = std::strlen(digits);
    if (length == 0 || length > 12 || length % 3 != 0)
        return false;
    const std::size_t n = length / 3;
    double channel[3];
    for (std::size_t i = 0; i < 3; ++i) {
        unsigned value = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const int digit = hex_value(digits[i * n + k]);
            if (digit < 0)
                return false;
            value = value << 4 | static_cast<unsigned>(digit);
        }
        channel[i] = (value << (16 - 4 * n)) / 65535.0;
    }
    out = {channel[0], channel[1], channel[2]};
    return true;
}

// "R/G/B" after "rgb:": one to four hex digits each, scaled to 0..1.
bool parse_rgb(const char *text, Rgb &out)
{
    double channel[3];
    for (int i = 0; i < 3; ++i) {
        unsigned value = 0, max = 0;
        int n = 0;
        for (; hex_value(*text) >= 0; ++text, ++n) {
            value = value << 4 | static_cast<unsigned>(hex_value(*text));
            max = max << 4 | 0xf;
        }
        if (n < 1 || n > 4 || *text != (i < 2 ? '/' : '\0'))
            return false;
        ++text;
        channel[i] = value / static_cast<double>(max);
    }
    out = {channel[0], channel[1], channel[2]};
    return true;
}

// "R/G/B" after "rgbi:": decimal numbers from 0 to 1.
bool parse_rgbi(const char *text, Rgb &out)
{
    double channel[3];
    for (int i = 0; i < 3; ++i) {
        if (!is_digit(*text) && *text != '.')
            return false;  // no sign, spaces, "inf" or "nan"
        char *end = nullptr;
        channel[i] = std::strtod(text, &end);
        if (end == text || *end != (i < 2 ? '/' : '\0') || !(channel[i] >= 0.0) || channel[i] > 1.0)
            return false;
        text = end + 1;
    }
    out = {channel[0], channel[1], channel[2]};
    return true;
}

// A name as the built-in table spells it: lower case, no spaces, "gray".
std::string name_key(const char *text)
{
    std::string key;
    for (; *text; ++text)
        if (*text != ' ')
            key += lower(*text);
    for (std::size_t at = key.find("grey"); at != std::string::npos; at = key.find("grey", at))
        key[at + 2] = 'a';
    return key;
}

bool lookup_name(const char *text, Rgb &out)
{
    const std::string key = name_key(text);
    const auto *end = std::end(kColourNames);
    const auto *found = std::lower_bound(
        std::begin(kColourNames), end, key,
        [](const ColourName &entry, const std::string &k) { return k.compare(entry.name) > 0; });
    if (found == end || key != found->name)
        return false;
    out = {found->r / 255.0, found->g / 255.0, found->b / 255.0};
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
        if (*value == '\0') {
            error = "option '" + name + "' needs a colour";
            return false;
        }
        Rgb rgb;
        if (is_numeric_colour(value)) {
            if (!parse_colour(value, rgb)) {
                error = "bad colour " + quoted +
                        ": give #rgb, #rrggbb, rgb:r/g/b, rgbi:r/g/b or an X colour name";
                return false;
            }
            opts_.background_rgb = rgb;
        } else {
            opts_.background_name = value;
        }
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

// The long options that `arg` ("--abbrev") abbreviates, as " '--a' '--b'"
// in alphabetical order, when there are two or more; "" otherwise.
std::string ambiguous(const std::string &arg)
{
    if (arg.size() < 3 || arg.rfind("--", 0) != 0)
        return "";
    const std::string typed = arg.substr(2);
    std::vector<std::string> names;
    for (const option *o = kLongOptions; o->name; ++o)
        if (std::strncmp(o->name, typed.c_str(), typed.size()) == 0)
            names.emplace_back(o->name);
    if (names.size() < 2)
        return "";
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string &n : names)
        list += " '--" + n + "'";
    return list;
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

bool is_numeric_colour(const char *text)
{
    const char *rest = nullptr;
    return text[0] == '#' || has_prefix(text, "rgb:", rest) || has_prefix(text, "rgbi:", rest);
}

bool parse_colour(const char *text, Rgb &out)
{
    const char *rest = nullptr;
    if (text[0] == '#')
        return parse_sharp(text + 1, out);
    if (has_prefix(text, "rgb:", rest))
        return parse_rgb(rest, out);
    if (has_prefix(text, "rgbi:", rest))
        return parse_rgbi(rest, out);
    return lookup_name(text, out);
}

const ColourName *colour_names(std::size_t &count)
{
    count = std::size(kColourNames);
    return kColourNames;
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
            const std::string candidates = optopt == 0 ? ambiguous(arg) : "";
            if (code == ':')
                error = "option '" + arg + "' needs a value";
            else if (optopt != 0 && arg.rfind("--", 0) == 0)
                error = "option '" + arg + "' takes no value";
            else if (!candidates.empty())
                error = "option '" + arg + "' is ambiguous; possibilities:" + candidates;
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
           "               [--background COLOR]\n"
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
           "  --background COLOR   paint the clear parts in COLOR: #rgb, #rrggbb,\n"
           "                       rgb:r/g/b, rgbi:r/g/b or an X colour name\n"
           "  --png FILE           draw the clock into FILE (- for standard output),\n"
           "                       transparent around the face\n"
           "  --time HH:MM[:SS]    with --png, draw that time of today instead of now\n"
           "  --help               print this text and exit\n"
           "  --version            print the version and exit\n";
}

}  // namespace qxclock

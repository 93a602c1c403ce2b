// options.cpp - the command line of qxclock.
#include "options.h"

#include <cstring>
#include <string>
#include <vector>

#include "colour_parse.h"
#include "command_line.h"

namespace qxclock {

namespace {

using quillkit::fail;

enum OptionId : int {
    kOptPng,
    kOptWindow,
    kOptSize,
    kOptGeometry,
    kOptDisplay,
    kOptSeconds,
    kOptNoSeconds,
    kOptBackground,
    kOptTime,
    kOptVersion,
    kOptHelp,
    kOptionCount,
};

constexpr quillkit::OptionSpec kOptions[] = {
    {"png", '\0', true, kOptPng},
    {"window", '\0', false, kOptWindow},
    {"size", '\0', true, kOptSize},
    {"geometry", '\0', true, kOptGeometry},
    {"display", '\0', true, kOptDisplay},
    {"seconds", '\0', false, kOptSeconds},
    {"no-seconds", '\0', false, kOptNoSeconds},
    {"background", '\0', true, kOptBackground},
    {"time", '\0', true, kOptTime},
    {"version", '\0', false, kOptVersion},
    {"help", 'h', false, kOptHelp},
};

// The X toolkit's single-dash spellings, which X11 users type.
struct XSpelling {
    const char *x_toolkit;
    const char *ours;
};
constexpr XSpelling kXSpellings[] = {{"-geometry", "--geometry"}, {"-display", "--display"}};

// The options of one run, taken in order: each one sets what it holds
// afresh, so that the last of a repeated option wins.
class Reader {
public:
    quillkit::Result<void> take(const quillkit::GivenOption &option);
    // Checks what the options say together; the options when they agree.
    quillkit::Result<Options> finish() const;

private:
    quillkit::Result<void> take_background(const quillkit::GivenOption &option);

    Options opts_;
    std::string spelling_[kOptionCount];  // as last given; empty: not given
};

quillkit::Result<void> Reader::take(const quillkit::GivenOption &option)
{
    const std::string &value = option.value;
    switch (option.id) {
    case kOptHelp:
        opts_.help = true;
        break;
    case kOptVersion:
        opts_.version = true;
        break;
    case kOptWindow:
        opts_.mode = Mode::kWindow;
        opts_.png_path.clear();
        break;
    case kOptPng:
        if (value.empty())
            return fail("option '" + option.spelling + "' needs a file name");
        opts_.mode = Mode::kPng;
        opts_.png_path = value;
        break;
    case kOptSeconds:
    case kOptNoSeconds:
        opts_.seconds = option.id == kOptSeconds;
        break;
    case kOptSize: {
        const quillkit::Result<int> size = parse_size(value);
        if (!size)
            return fail(size.error());
        opts_.size = *size;
        break;
    }
    case kOptGeometry: {
        const quillkit::Result<Geometry> geometry = parse_geometry(value);
        if (!geometry)
            return fail(geometry.error());
        opts_.geometry = *geometry;
        break;
    }
    case kOptDisplay:
        opts_.display = value;
        break;
    case kOptBackground:
        if (quillkit::Result<void> taken = take_background(option); !taken)
            return taken;
        break;
    case kOptTime: {
        const quillkit::Result<ClockTime> time = parse_clock_time(value);
        if (!time)
            return fail(time.error());
        opts_.time = *time;
        break;
    }
    default:
        return fail("unexpected option '" + option.spelling + "'");
    }
    spelling_[option.id] = option.spelling;
    return {};
}

// A numeric colour is read now; a name is left for the X server's database
// or the built-in names.
quillkit::Result<void> Reader::take_background(const quillkit::GivenOption &option)
{
    if (option.value.empty())
        return fail("option '" + option.spelling + "' needs a colour");
    if (!is_numeric_colour(option.value)) {
        opts_.background_rgb.reset();
        opts_.background_name = option.value;
        return {};
    }
    const quillkit::Result<Rgb> rgb = parse_colour(option.value);
    if (!rgb)
        return fail(rgb.error());
    opts_.background_rgb = *rgb;
    opts_.background_name.clear();
    return {};
}

quillkit::Result<Options> Reader::finish() const
{
    if (opts_.help || opts_.version)
        return opts_;
    const bool png = opts_.mode == Mode::kPng;
    if (opts_.time && !png)
        return fail("'" + spelling_[kOptTime] +
                    "' applies to '--png' only; the window shows the time of day");
    if (png) {
        for (const int id : {kOptGeometry, kOptDisplay})
            if (!spelling_[id].empty())
                return fail("'" + spelling_[id] + "' applies to the window, not to '--png'");
    }
    if (opts_.size && (opts_.geometry.width || opts_.geometry.height))
        return fail("'" + spelling_[kOptSize] + "' and a size in '" + spelling_[kOptGeometry] +
                    "' cannot be used together");
    return opts_;
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

quillkit::Result<Options> parse_options(int argc, const char *const *argv)
{
    std::vector<const char *> args(argv, argv + argc);
    for (std::size_t i = 1; i < args.size(); ++i)
        for (const XSpelling &spelling : kXSpellings)
            if (std::strcmp(args[i], spelling.x_toolkit) == 0)
                args[i] = spelling.ours;
    const quillkit::Result<quillkit::CommandLine> line =
        quillkit::read_command_line(argc, args.data(), kOptions);
    if (!line)
        return fail(line.error());
    Reader reader;
    for (const quillkit::GivenOption &option : line->options)
        if (const quillkit::Result<void> taken = reader.take(option); !taken)
            return fail(taken.error());
    if (!line->operands.empty())
        return fail("unexpected argument '" + line->operands.front() + "'");
    return reader.finish();
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

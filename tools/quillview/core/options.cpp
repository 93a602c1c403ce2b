// options.cpp - quillview's command line.
#include "options.h"

#include <cerrno>
#include <cstdlib>

#include "command_line.h"

namespace quillview {

using quillkit::fail;
using quillkit::Result;

namespace {

enum OptionId { kExport, kFormat, kSize, kFrames, kFps, kList, kHelp, kVersion, kRenderServer };

constexpr quillkit::OptionSpec kOptions[] = {
    {"export", '\0', true, kExport, "a folder"},
    {"format", '\0', true, kFormat, "a list of formats"},
    {"size", '\0', true, kSize, "a number of pixels"},
    {"frames", '\0', true, kFrames, "a number of frames"},
    {"fps", '\0', true, kFps, "a number of frames a second"},
    {"list", '\0', false, kList},
    {"help", '\0', false, kHelp},
    {"version", '\0', false, kVersion},
    {"render-server", '\0', true, kRenderServer},
};

// A whole number from 1 to `max`.
bool parse_count(const std::string &text, int max, int &count)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v < 1 || v > max)
        return false;
    count = static_cast<int>(v);
    return true;
}

// A number of frames a second, above 0 and at most kMaxFps.
bool parse_fps(const std::string &text, double &fps)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(v > 0) || v > kMaxFps)
        return false;
    fps = v;
    return true;
}

bool parse_formats(const std::string &text, Formats &formats)
{
    formats = Formats{false, false, false, false, false};
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        if (item == "png")
            formats.png = true;
        else if (item == "svg")
            formats.svg = true;
        else if (item == "pdf")
            formats.pdf = true;
        else if (item == "html")
            formats.html = true;
        else if (item == "webp")
            formats.webp = true;
        else
            return false;
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

}  // namespace

Result<Options> parse_options(int argc, const char *const *argv)
{
    Result<quillkit::CommandLine> line = quillkit::read_command_line(argc, argv, kOptions);
    if (!line)
        return fail(line.error());
    Options opts;
    bool help = false, version = false;
    for (const quillkit::GivenOption &o : line->options) {
        switch (o.id) {
        case kExport:
            if (o.value.empty())
                return fail("option '--export' needs a folder: --export=DIR");
            opts.mode = Mode::kExport;
            opts.export_dir = o.value;
            break;
        case kFormat:
            if (!parse_formats(o.value, opts.formats))
                return fail("invalid --format '" + o.value +
                            "' (a list of png, svg, pdf, html, webp)");
            break;
        case kSize:
            if (!parse_count(o.value, kMaxSize, opts.size))
                return fail("invalid --size '" + o.value + "' (1 to " + std::to_string(kMaxSize) +
                            ")");
            break;
        case kFrames:
            if (!parse_count(o.value, kMaxFrames, opts.frames))
                return fail("invalid --frames '" + o.value + "' (1 to " +
                            std::to_string(kMaxFrames) + ")");
            break;
        case kFps:
            if (!parse_fps(o.value, opts.fps))
                return fail("invalid --fps '" + o.value + "' (a number above 0, at most 1000)");
            break;
        case kList:
            opts.mode = Mode::kList;
            break;
        case kHelp:
            help = true;
            break;
        case kVersion:
            version = true;
            break;
        default:
            opts.mode = Mode::kRenderServer;
            opts.render_parent = std::atoi(o.value.c_str());
            break;
        }
    }
    // --help and --version win over everything else, as they do elsewhere.
    if (help)
        opts.mode = Mode::kHelp;
    else if (version)
        opts.mode = Mode::kVersion;
    opts.operands = std::move(line->operands);
    return opts;
}

const char *usage_text()
{
    return "Usage: quillview [SNIPPET.cairo... | FOLDER]\n"
           "       quillview --export=DIR [--format=png,svg,pdf,html,webp] [--size=N]\n"
           "                 [--frames=N [--fps=F]] [SNIPPETS...]\n"
           "       quillview --list [SNIPPETS...]\n"
           "A live playground for cairo snippets: each snippet drawn beside its source,\n"
           "redrawn whenever its file changes or its text is edited.\n"
           "Without operands, the current folder's *.cairo.\n"
           "\n"
           "  --export=DIR   write NAME.png, NAME.svg, NAME.pdf and index.html into DIR\n"
           "                 (no display needed)\n"
           "  --format=LIST  what --export writes, from png,svg,pdf,html,webp (default\n"
           "                 png,svg,pdf,html; webp: an animated WebP a snippet)\n"
           "  --frames=N     export N frames of each snippet's animation, frame k at\n"
           "                 time k / F, as NAME-0000.png, NAME-0001.png and so on\n"
           "  --fps=F        frames a second of --frames and WebP (default 30)\n"
           "  --size=N       picture side in pixels, 1 to 8192 (export: 512; window:\n"
           "                 follows the canvas)\n"
           "  --list         print the snippets' names, one a line\n"
           "  --help         print this help\n"
           "  --version      print the version\n"
           "A repeated option's last value counts.\n"
           "\n"
           "Window keys: Ctrl+Page Down/Up next/previous snippet, Ctrl+G grid,\n"
           "Ctrl+plus/minus/0 zoom, Ctrl+B checkerboard, Ctrl+E export, Ctrl+S save,\n"
           "Ctrl+O open a folder, Ctrl+N new snippet, Ctrl+? all shortcuts, Ctrl+Q quit.\n"
           "Exit status: 0, 1 when a snippet fails, 2 for a bad command line.\n";
}

}  // namespace quillview

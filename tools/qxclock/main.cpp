// main.cpp - qxclock: the analogue clock in an X11 window or as a PNG.
// Before Xlib, whose macro Status (for int) would otherwise rename quillkit's.
#include "result.h"

#include <X11/Xlib.h>
#include <sys/time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "colour_parse.h"
#include "local_instant.h"
#include "options.h"
#include "png_output.h"
#include "quillkit_version.h"
#include "window.h"

namespace {

constexpr int kExitBadUsage = 2;

// A colour name for the picture: one of the built-in names, else whatever the
// X server's database says where a display can be opened. Sets `status` to
// the exit status of a failure: 2 for a name the server does not know either,
// 1 when no display can be opened to ask it.
quillkit::Result<qxclock::Rgb> resolve_colour_name(const std::string &name, int &status)
{
    quillkit::Result<qxclock::Rgb> built_in = qxclock::parse_colour(name);
    if (built_in)
        return built_in;
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        status = 1;
        return quillkit::fail("cannot look up colour '" + name + "': cannot open display '" +
                              XDisplayName(nullptr) +
                              "' (without one only the built-in X colour names are known)");
    }
    XColor exact{};
    const bool found = XParseColor(display, DefaultColormap(display, DefaultScreen(display)),
                                   name.c_str(), &exact);
    XCloseDisplay(display);
    if (!found) {
        status = kExitBadUsage;
        return built_in;  // "unknown colour"
    }
    return qxclock::Rgb{exact.red / 65535.0, exact.green / 65535.0, exact.blue / 65535.0};
}

int run_png(const qxclock::Options &opts)
{
    qxclock::PngRequest request;
    request.path = opts.png_path;
    request.size = opts.side();
    request.seconds = opts.show_seconds();
    request.background = opts.background_rgb;
    if (!opts.background_name.empty()) {
        int status = 0;
        const quillkit::Result<qxclock::Rgb> colour =
            resolve_colour_name(opts.background_name, status);
        if (!colour) {
            std::fprintf(stderr, "qxclock: %s\n%s", colour.error().c_str(),
                         status == kExitBadUsage ? "Try 'qxclock --help'.\n" : "");
            return status;
        }
        request.background = *colour;
    }
    timeval fixed{};
    if (opts.time) {
        const quillkit::Result<timeval> instant = qxclock::local_instant_today(
            std::time(nullptr), opts.time->hour, opts.time->minute, opts.time->second);
        if (!instant) {
            std::fprintf(stderr, "qxclock: %s\n", instant.error().c_str());
            return 1;
        }
        fixed = *instant;
        request.tv = &fixed;
    }
    if (const quillkit::Result<void> written = qxclock::write_clock_png(request); !written) {
        std::fprintf(stderr, "qxclock: %s\n", written.error().c_str());
        return 1;
    }
    return 0;
}

// Makes sure that what went to standard output got there (a full disk, a
// closed pipe): 0, or 1 with a message.
int close_stdout()
{
    const bool failed = std::ferror(stdout) != 0;
    errno = 0;
    if (std::fclose(stdout) == 0 && !failed)
        return 0;
    std::fprintf(stderr, "qxclock: write error: %s\n", std::strerror(errno != 0 ? errno : EIO));
    return 1;
}

}  // namespace

int main(int argc, char **argv)
{
    const quillkit::Result<qxclock::Options> opts = qxclock::parse_options(argc, argv);
    if (!opts) {
        std::fprintf(stderr, "qxclock: %s\nTry 'qxclock --help'.\n", opts.error().c_str());
        return kExitBadUsage;
    }
    if (opts->help) {
        std::fputs(qxclock::usage_text(), stdout);
        return close_stdout();
    }
    if (opts->version) {
        std::puts("qxclock " QUILLKIT_VERSION);
        return close_stdout();
    }
    if (opts->mode == qxclock::Mode::kPng)
        return run_png(*opts);
    return qxclock::run_window(*opts, argc, argv);
}

// main.cpp - qxclock: the analogue clock in an X11 window or as a PNG.
#include <sys/time.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "local_instant.h"
#include "options.h"
#include "png_output.h"
#include "quillkit_version.h"
#include "window.h"

namespace {

constexpr int kExitBadUsage = 2;

int run_png(const qxclock::Options &opts)
{
    timeval fixed{};
    qxclock::PngRequest request;
    request.path = opts.png_path;
    request.size = opts.side();
    request.seconds = opts.show_seconds();
    request.background = opts.background_rgb;
    if (opts.has_time) {
        if (!qxclock::local_instant_today(std::time(nullptr), opts.hour, opts.minute, opts.second,
                                          fixed)) {
            std::fprintf(stderr, "qxclock: cannot find %02d:%02d:%02d in local time\n", opts.hour,
                         opts.minute, opts.second);
            return 1;
        }
        request.tv = &fixed;
    }
    std::string error;
    if (!qxclock::write_clock_png(request, error)) {
        std::fprintf(stderr, "qxclock: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    qxclock::Options opts;
    std::string error;
    if (!qxclock::parse_options(argc, argv, opts, error)) {
        std::fprintf(stderr, "qxclock: %s\nTry 'qxclock --help'.\n", error.c_str());
        return kExitBadUsage;
    }
    if (opts.help) {
        std::fputs(qxclock::usage_text(), stdout);
        return 0;
    }
    if (opts.version) {
        std::puts("qxclock " QUILLKIT_VERSION);
        return 0;
    }
    if (opts.mode == qxclock::Mode::kPng)
        return run_png(opts);
    return qxclock::run_window(opts, argc, argv);
}

// main.cpp - qxclock: the analogue clock as a PNG or in an X11 window.
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

constexpr int exit_bad_usage = 2;

int run_png(const qxclock::Options &opts)
{
    timeval fixed{};
    const timeval *tv = nullptr;  // null: the moment of drawing
    if (opts.has_time) {
        if (!qxclock::local_instant_today(std::time(nullptr), opts.hour, opts.minute, opts.second,
                                          fixed)) {
            std::fprintf(stderr, "qxclock: cannot find %02d:%02d:%02d in local time\n", opts.hour,
                         opts.minute, opts.second);
            return 1;
        }
        tv = &fixed;
    }
    std::string error;
    if (!qxclock::write_clock_png(opts.png_path, opts.size, tv, opts.seconds, error)) {
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
        std::fprintf(stderr, "qxclock: %s\n%s", error.c_str(), qxclock::usage_text());
        return exit_bad_usage;
    }
    if (opts.version) {
        std::puts("qxclock " QUILLKIT_VERSION);
        return 0;
    }
    if (opts.help) {
        std::fputs(qxclock::usage_text(), stdout);
        return 0;
    }
    if (opts.mode == qxclock::Mode::png)
        return run_png(opts);
    return qxclock::run_window(opts.size, opts.seconds);
}

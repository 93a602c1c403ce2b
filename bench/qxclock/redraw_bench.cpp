// redraw_bench.cpp - what one frame of the clock window costs the client, on
// ARGB32 image surfaces, in units of one cairo_paint of the same surface.
//
//   paint      one solid cairo_paint of the whole surface (the unit)
//   compose    the cached face painted under freshly drawn hands, with the
//              second hand: the whole picture made again
//   frame      ClockFrame::draw as the window calls it, the instant moving on
//              by one frame of the window's rate: only where the hands were
//              and are is redrawn
//   face_each  the plain way: clear, draw the face, draw the hands
//
// The cases run in rounds, interleaved (each round in another order), each
// for about kSliceMs of CPU time; a case's figure is the median over the
// rounds of its time divided by the paint's time in the same round, so that
// a machine that slows down or speeds up between rounds moves both alike.
//
// Targets: compose within 15 paints at 512 px (the cached face keeps a new
// picture cheap), and the window's frames at 256 px, at its rate with the
// second hand, within 0.1% of a core (a fifth of what the running window may
// cost in all, client and X server together).
//
// Usage: bench_qxclock_redraw [ROUNDS]   (default 15)
#include <cairo.h>
#include <sys/time.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "frame.h"
#include "frame_clock.h"
#include "qxdraw.h"

namespace {

constexpr int kSizes[] = {256, 512};
constexpr int kDefaultRounds = 15;
constexpr double kSliceMs = 40;
constexpr timeval kStart{1781254245, 0};

double cpu_seconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A side x side target and a context on it.
struct Target {
    explicit Target(int side)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side)),
          cr(cairo_create(surface))
    {
    }
    ~Target()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    Target(const Target &) = delete;
    Target &operator=(const Target &) = delete;
    cairo_surface_t *surface;
    cairo_t *cr;
};

// Moves `tv` on by `step_us`.
void advance(timeval &tv, long step_us)
{
    tv.tv_usec += step_us;
    tv.tv_sec += tv.tv_usec / 1000000;
    tv.tv_usec %= 1000000;
}

// One case: state made once, and one iteration.
struct Case {
    std::string name;
    std::function<void()> run;
};

std::vector<Case> cases_for(int side, Target &t, cairo_surface_t *face, qxclock::ClockFrame &frame,
                            timeval &tv)
{
    const qxclock::FrameRate rate = qxclock::frame_rate_for(side, side, true);
    const long step_us = 1000000 / rate.frames_per_second;
    auto finish = [&t] {
        cairo_surface_flush(t.surface);
        volatile unsigned char sink = cairo_image_surface_get_data(t.surface)[0];
        (void)sink;
    };
    return {
        {"paint",
         [&t, finish] {
             cairo_set_source_rgb(t.cr, 0.5, 0.25, 0.75);
             cairo_paint(t.cr);
             finish();
         }},
        {"compose",
         [&t, face, side, &tv, finish] {
             qxclock::compose_frame(t.cr, face, side, side, tv, true);
             finish();
             advance(tv, 33333);
         }},
        {"frame",
         [&t, &frame, side, &tv, step_us, finish] {
             frame.draw(t.surface, side, side, tv, true);
             finish();
             advance(tv, step_us);
         }},
        {"face_each",
         [&t, side, &tv, finish] {
             cairo_save(t.cr);
             cairo_set_operator(t.cr, CAIRO_OPERATOR_CLEAR);
             cairo_paint(t.cr);
             cairo_restore(t.cr);
             cairo_set_source_rgb(t.cr, 0, 0, 0);
             qxface_draw(t.cr, side, side);
             qxhand_draw(t.cr, side, side, &tv, 1);
             finish();
             advance(tv, 33333);
         }},
    };
}

// Seconds of CPU per iteration of `c` over about kSliceMs.
double time_case(const Case &c, long iterations)
{
    const double start = cpu_seconds();
    for (long i = 0; i < iterations; ++i)
        c.run();
    return (cpu_seconds() - start) / static_cast<double>(iterations);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void report(const char *target, double got, double at_most, const char *unit, int &unmet)
{
    const bool met = got <= at_most;
    unmet += met ? 0 : 1;
    std::printf("  target: %s: %.3f%s  %s\n", target, got, unit, met ? "met" : "NOT met");
}

void run_size(int side, int rounds, int &unmet)
{
    Target t(side);
    cairo_surface_t *face = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
    cairo_t *fcr = cairo_create(face);
    qxclock::draw_face_layer(fcr, side, side, std::nullopt);
    cairo_destroy(fcr);
    qxclock::ClockFrame frame(std::nullopt);
    timeval tv = kStart;
    const std::vector<Case> cases = cases_for(side, t, face, frame, tv);

    // Iterations for a slice of each case, from one timed warm-up run each.
    std::vector<long> iterations;
    for (const Case &c : cases) {
        const double once = std::max(time_case(c, 3), 1e-7);
        iterations.push_back(std::max(3L, static_cast<long>(kSliceMs * 1e-3 / once)));
    }
    std::vector<std::vector<double>> ratios(cases.size()), times(cases.size());
    for (int r = 0; r < rounds; ++r) {
        std::vector<double> seconds(cases.size());
        for (size_t k = 0; k < cases.size(); ++k) {
            const size_t i = (k + static_cast<size_t>(r)) % cases.size();  // rotate the order
            seconds[i] = time_case(cases[i], iterations[i]);
        }
        for (size_t i = 0; i < cases.size(); ++i) {
            ratios[i].push_back(seconds[i] / seconds[0]);
            times[i].push_back(seconds[i]);
        }
    }
    cairo_surface_destroy(face);

    const qxclock::FrameRate rate = qxclock::frame_rate_for(side, side, true);
    std::printf("\n%d x %d (the window draws %d frames a second with the second hand), "
                "median of %d rounds:\n",
                side, side, rate.frames_per_second, rounds);
    std::printf("  %-10s %10s %10s\n", "case", "us", "paints");
    for (size_t i = 0; i < cases.size(); ++i)
        std::printf("  %-10s %10.1f %10.2f\n", cases[i].name.c_str(), median(times[i]) * 1e6,
                    median(ratios[i]));
    // What the window's frames cost in a second, in CPU share.
    const double per_second = median(times[2]) * rate.frames_per_second;
    std::printf("  the window's frames: %.2f ms of CPU a second (%.3f%% of a core)\n",
                per_second * 1e3, per_second * 100);

    // The cached face keeps a whole new picture within 15 paints at 512 px;
    // the window's own drawing at its default size takes at most a fifth of
    // the half per cent of a core that the running window may cost in all.
    if (side == 512) {
        const double got = median(ratios[1]);
        report("compose within 15 paints at 512 px", got, 15, " paints", unmet);
    }
    if (side == 256)
        report("frames within 0.1% of a core at 256 px", per_second * 100, 0.1, "%", unmet);
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;
    setenv("TZ", "UTC", 1);
    tzset();
    int unmet = 0;
    for (int side : kSizes)
        run_size(side, rounds, unmet);
    std::printf("\n%d target(s) not met\n", unmet);
    return 0;
}

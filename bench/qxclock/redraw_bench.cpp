// redraw_bench.cpp - what one frame of the clock window costs, at 512 x 512
// on an ARGB32 image surface, against one cairo_paint of that surface.
//
//   paint         one solid cairo_paint of the whole surface (the unit)
//   compose       the cached face painted under freshly drawn hands (with
//                 the second hand): what changes from frame to frame
//   frame         ClockFrame::draw as the window calls it: compose off-screen,
//                 then copy to the target in one paint
//   face_each     the plain way: clear, draw the face, draw the hands
//
// Targets: compose within 15 paints; face_each about 120.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <sys/time.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame.h"
#include "qxdraw.h"

namespace {

constexpr int side = 512;
constexpr long frame_step_us = 33333;  // successive frames at 30 a second

// A 512 x 512 target and a context on it.
struct Target {
    Target()
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

// Moves `tv` on by one frame.
void advance(timeval &tv)
{
    tv.tv_usec += frame_step_us;
    if (tv.tv_usec >= 1000000) {
        tv.tv_usec -= 1000000;
        ++tv.tv_sec;
    }
}

void finish(Target &t)
{
    cairo_surface_flush(t.surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(t.surface));
}

void paint(benchmark::State &state)
{
    Target t;
    cairo_set_source_rgb(t.cr, 0.5, 0.25, 0.75);
    for (auto _ : state) {
        cairo_paint(t.cr);
        finish(t);
    }
}

void compose(benchmark::State &state)
{
    Target t;
    cairo_surface_t *face =
        cairo_surface_create_similar(t.surface, CAIRO_CONTENT_COLOR_ALPHA, side, side);
    cairo_t *fcr = cairo_create(face);
    qxclock::draw_face_layer(fcr, side, side, false);
    cairo_destroy(fcr);
    timeval tv{1781254245, 0};
    for (auto _ : state) {
        qxclock::compose_frame(t.cr, face, side, side, tv, true);
        finish(t);
        advance(tv);
    }
    cairo_surface_destroy(face);
}

void frame(benchmark::State &state)
{
    Target t;
    qxclock::ClockFrame clock(false);
    timeval tv{1781254245, 0};
    clock.draw(t.surface, side, side, tv, true);  // the face is drawn once, here
    for (auto _ : state) {
        clock.draw(t.surface, side, side, tv, true);
        finish(t);
        advance(tv);
    }
}

void face_each(benchmark::State &state)
{
    Target t;
    timeval tv{1781254245, 0};
    for (auto _ : state) {
        cairo_save(t.cr);
        cairo_set_operator(t.cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(t.cr);
        cairo_restore(t.cr);
        cairo_set_source_rgb(t.cr, 0, 0, 0);
        qxface_draw(t.cr, side, side);
        qxhand_draw(t.cr, side, side, &tv, 1);
        finish(t);
        advance(tv);
    }
}

// Prints as usual and keeps each benchmark's CPU time per iteration (steadier than
// wall time on a busy machine).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the median stands for the benchmark.
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const std::string &name = run.run_name.function_name;
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(name)))
                times_[name] = run.GetAdjustedCPUTime();
            if (median)
                medians_.insert(name);
        }
    }
    double time(const std::string &name) const
    {
        auto it = times_.find(name);
        return it == times_.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> times_;
    std::set<std::string> medians_;
};

}  // namespace

BENCHMARK(paint)->Unit(benchmark::kMicrosecond);
BENCHMARK(compose)->Unit(benchmark::kMicrosecond);
BENCHMARK(frame)->Unit(benchmark::kMicrosecond);
BENCHMARK(face_each)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    double unit = reporter.time("paint");
    if (unit <= 0)
        return 0;  // filtered out: no ratios
    std::printf("\nredraw at %d x %d, in paints (one paint = %.2f us):\n", side, side, unit);
    struct Line {
        const char *name, *what, *target;
    };
    const Line lines[] = {
        {"compose", "cached face + fresh hands", "target: within 15"},
        {"frame", "the window's frame (compose + copy)", ""},
        {"face_each", "face drawn each time + hands", "about 120 expected"},
    };
    for (const Line &l : lines) {
        double t = reporter.time(l.name);
        if (t > 0)
            std::printf("  %-38s %7.1f paints  %s\n", l.what, t / unit, l.target);
    }
    return 0;
}

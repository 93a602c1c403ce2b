// Times the clock drawers on ARGB32 image surfaces of 128, 512 and 1024 pixels
// square, each against one cairo_paint of the same surface measured in the
// same run, and prints the ratios:
//
//   face/paint, logo/paint, hands/paint (with the second hand) and
//   frame/paint (face, then hands) for each size.
//
// The hands should cost no more than 12 paints at 512 x 512, since a client
// that keeps the face in a surface of its own redraws only the hands each
// frame; a whole frame no more than 120 paints.
#include "qxdraw.h"

#include <benchmark/benchmark.h>

#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kSizes[] = {128, 512, 1024};

struct image {
    cairo_surface_t *surface;
    cairo_t *cr;
    explicit image(int size)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size)),
          cr(cairo_create(surface))
    {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
    }
    ~image()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    image(const image &) = delete;
    image &operator=(const image &) = delete;
};

// A fixed instant with all three hands apart: 10:08:37.25.
timeval fixed_instant()
{
    timeval tv{};
    tv.tv_sec = 10 * 3600 + 8 * 60 + 37;
    tv.tv_usec = 250000;
    return tv;
}

void paint(benchmark::State &state)
{
    image im(static_cast<int>(state.range(0)));
    cairo_set_source_rgb(im.cr, 1, 1, 1);
    for (auto _ : state)
        cairo_paint(im.cr);
    cairo_surface_flush(im.surface);
}

void face(benchmark::State &state)
{
    const int size = static_cast<int>(state.range(0));
    image im(size);
    for (auto _ : state)
        qxface_draw(im.cr, size, size);
    cairo_surface_flush(im.surface);
}

void logo(benchmark::State &state)
{
    const int size = static_cast<int>(state.range(0));
    image im(size);
    for (auto _ : state)
        qxlogo_draw(im.cr, size, size);
    cairo_surface_flush(im.surface);
}

void hands(benchmark::State &state)
{
    const int size = static_cast<int>(state.range(0));
    const timeval tv = fixed_instant();
    image im(size);
    for (auto _ : state)
        qxhand_draw(im.cr, size, size, &tv, 1);
    cairo_surface_flush(im.surface);
}

void frame(benchmark::State &state)
{
    const int size = static_cast<int>(state.range(0));
    const timeval tv = fixed_instant();
    image im(size);
    for (auto _ : state) {
        qxface_draw(im.cr, size, size);
        qxhand_draw(im.cr, size, size, &tv, 1);
    }
    cairo_surface_flush(im.surface);
}

// Prints the usual table and keeps each benchmark's CPU time per iteration
// (CPU rather than wall time, so that other work on the machine disturbs the
// ratios less). With --benchmark_repetitions the fastest repetition is kept.
class collecting_reporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations <= 0)
                continue;
            const std::string name = run.run_name.function_name + "/" + run.run_name.args;
            const double t = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            const auto it = seconds.find(name);
            if (it == seconds.end() || t < it->second)
                seconds[name] = t;
        }
    }
};

}  // namespace

int main(int argc, char **argv)
{
    setenv("TZ", "UTC", 1);
    tzset();
    const std::pair<const char *, void (*)(benchmark::State &)> cases[] = {
        {"paint", paint}, {"face", face}, {"logo", logo}, {"hands", hands}, {"frame", frame},
    };
    for (const auto &[name, fn] : cases)
        for (int size : kSizes)
            benchmark::RegisterBenchmark(name, fn)->Arg(size)->Unit(benchmark::kMicrosecond);

    benchmark::Initialize(&argc, argv);
    collecting_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nRatios to one cairo_paint of the same surface:\n");
    for (int size : kSizes) {
        const std::string arg = "/" + std::to_string(size);
        const auto base = reporter.seconds.find("paint" + arg);
        if (base == reporter.seconds.end())
            continue;
        std::printf("%dx%d: paint = %.2f us\n", size, size, base->second * 1e6);
        for (const char *name : {"face", "logo", "hands", "frame"}) {
            const auto t = reporter.seconds.find(name + arg);
            if (t != reporter.seconds.end())
                std::printf("%dx%d: %s/paint = %.1f (%.1f us)\n", size, size, name,
                            t->second / base->second, t->second * 1e6);
        }
    }
    std::printf("targets at 512x512: hands/paint <= 12, frame/paint <= 120\n");
    benchmark::Shutdown();
    return 0;
}

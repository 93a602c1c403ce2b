// redraw_bench.cpp - what one frame of the clock window costs the client, on
// ARGB32 image surfaces, in units of one cairo_paint of the same surface.
//
//   paint      one solid cairo_paint of the whole surface (the unit)
//   compose    the cached face painted under freshly drawn hands, with the
//              second hand: the whole picture made again
//   frame      ClockFrame::draw as the window calls it, the instant moving on
//              by one frame of the window's rate: between the minute hand's
//              moves only the second hand's old and new places are redrawn
//   face_each  the plain way: clear, draw the face, draw the hands
//
// The cases run in interleaved rounds with the paint (bench/support/rounds.h):
// a case's figure is the median over the rounds of its time divided by the
// paint's time in the same round.
//
// Targets: compose within 15 paints at 512 px (the cached face keeps a new
// picture cheap), and the window's frames at 256 px, at its rate with the
// second hand, within 0.1% of a core (a third of what the running window may
// cost in all, client and X server together).
//
// Usage: bench_qxclock_redraw [ROUNDS]   (default 15)
#include <cairo.h>
#include <sys/time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "cairo_ptr.h"
#include "compose.h"
#include "frame.h"
#include "frame_clock.h"
#include "qxdraw.h"
#include "rounds.h"

namespace {

constexpr int kSizes[] = {256, 512};
constexpr int kDefaultRounds = 15;
constexpr double kBatchSeconds = 0.04;
constexpr timeval kStart{1781254245, 0};
constexpr double kComposeTarget = 15;        // paints, at 512 px
constexpr double kFrameShareTarget = 0.1;    // per cent of a core, at 256 px
constexpr long kThirtyFramesStepUs = 33333;  // compose and face_each move on as at 30 fps

// A side x side target and a context on it.
struct Target {
    explicit Target(int side)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side)),
          cr(cairo_create(surface.get()))
    {
    }
    // Makes sure the drawing has reached the pixels.
    void finish() const
    {
        cairo_surface_flush(surface.get());
        volatile unsigned char sink = cairo_image_surface_get_data(surface.get())[0];
        (void)sink;
    }
    quillkit::SurfacePtr surface;
    quillkit::ContextPtr cr;
};

// Moves `tv` on by `step_us`.
void advance(timeval &tv, long step_us)
{
    tv.tv_usec += step_us;
    tv.tv_sec += tv.tv_usec / 1000000;
    tv.tv_usec %= 1000000;
}

// Measures one size; returns whether its targets were met.
bool run_size(int side, int rounds)
{
    Target paint_target(side), compose_target(side), frame_target(side), each_target(side);
    Target face(side);
    qxclock::draw_face_layer(face.cr.get(), side, side, std::nullopt);
    qxclock::ClockFrame frame(std::nullopt);
    timeval compose_tv = kStart, frame_tv = kStart, each_tv = kStart;
    const qxclock::FrameRate rate = qxclock::frame_rate_for(side, side, true);
    const long frame_step_us = 1000000 / rate.frames_per_second;

    const quillkit_bench::Case paint{"paint", [&] {
                                         cairo_set_source_rgb(paint_target.cr.get(), 0.5, 0.25,
                                                              0.75);
                                         cairo_paint(paint_target.cr.get());
                                         paint_target.finish();
                                     }};
    const std::vector<quillkit_bench::Case> cases = {
        {"compose",
         [&] {
             qxclock::compose_frame(compose_target.cr.get(), face.surface.get(), side, side,
                                    compose_tv, true);
             compose_target.finish();
             advance(compose_tv, kThirtyFramesStepUs);
         },
         side == 512 ? kComposeTarget : 0},
        {"frame",
         [&] {
             if (!frame.draw(frame_target.surface.get(), side, side, frame_tv, true)) {
                 std::fputs("bench_qxclock_redraw: cannot draw the clock\n", stderr);
                 std::exit(1);
             }
             frame_target.finish();
             advance(frame_tv, frame_step_us);
         }},
        {"face_each",
         [&] {
             cairo_t *cr = each_target.cr.get();
             cairo_save(cr);
             cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
             cairo_paint(cr);
             cairo_restore(cr);
             cairo_set_source_rgb(cr, 0, 0, 0);
             qxface_draw(cr, side, side);
             qxhand_draw(cr, side, side, &each_tv, 1);
             each_target.finish();
             advance(each_tv, kThirtyFramesStepUs);
         }},
    };
    std::printf("\n%d x %d (the window draws %d frames a second with the second hand), "
                "median of %d rounds, in paints:\n",
                side, side, rate.frames_per_second, rounds);
    const std::vector<quillkit_bench::Result> results =
        quillkit_bench::measure(paint, cases, rounds, kBatchSeconds);
    bool met = quillkit_bench::report(results, "paints");

    // What the window's own frames cost in a second, as a share of a core:
    // at its default size at most a third of the 0.3% of a core that the
    // running window may cost in all, client and X server together.
    const double share = results[2].seconds * rate.frames_per_second * 100;
    std::printf("  the window's frames: %.3f%% of a core", share);
    if (side == 256) {
        const bool frames_met = share <= kFrameShareTarget;
        met = met && frames_met;
        std::printf("   target <= %g%%: %s", kFrameShareTarget, frames_met ? "met" : "NOT met");
    }
    std::printf("\n");
    return met;
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;
    setenv("TZ", "UTC", 1);
    tzset();
    bool all_met = true;
    for (const int side : kSizes)
        all_met = run_size(side, rounds) && all_met;
    std::printf("\ntargets: %s\n", all_met ? "all met" : "NOT all met");
    return 0;
}

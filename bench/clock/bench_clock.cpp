// bench_clock - the clock drawers against one cairo_paint of the same
// surface, on ARGB32 images of 128, 512 and 1024 pixels square.
//
//   bench_clock [rounds]        (default 15)
//
// For each size it prints the face, the logo, the hands (with the second
// hand) and a whole frame (face, then hands), each in units of one paint:
// the median of the ratios measured round by round, interleaved with the
// paint. Targets at 512 x 512: the hands within 12 paints, since a client
// that keeps the face in a surface of its own redraws only the hands each
// frame; a whole frame within 120 paints.
#include "cairo_ptr.h"
#include "qxdraw.h"
#include "rounds.h"

#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int kSizes[] = {128, 512, 1024};
constexpr int kTargetSize = 512;
constexpr double kHandsTarget = 12;
constexpr double kFrameTarget = 120;

// An image painted white and a context on it.
struct Image {
    explicit Image(int size)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size)),
          cr(cairo_create(surface.get()))
    {
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
    }
    quillkit::SurfacePtr surface;
    quillkit::ContextPtr cr;
};

// A fixed instant with all three hands apart: 10:08:37.25 (UTC).
timeval fixed_instant()
{
    timeval tv{};
    tv.tv_sec = 10 * 3600 + 8 * 60 + 37;
    tv.tv_usec = 250000;
    return tv;
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    setenv("TZ", "UTC", 1);
    tzset();
    const timeval tv = fixed_instant();
    bool all_met = true;
    for (const int size : kSizes) {
        Image paint_image(size), face_image(size), logo_image(size), hands_image(size),
            frame_image(size);
        const bool targets = size == kTargetSize;
        const quillkit_bench::Case paint{"paint", [&] {
                                             cairo_set_source_rgb(paint_image.cr.get(), 1, 1, 1);
                                             cairo_paint(paint_image.cr.get());
                                             cairo_surface_flush(paint_image.surface.get());
                                         }};
        const std::vector<quillkit_bench::Case> cases = {
            {"face", [&] { qxface_draw(face_image.cr.get(), size, size); }},
            {"logo", [&] { qxlogo_draw(logo_image.cr.get(), size, size); }},
            {"hands (with seconds)", [&] { qxhand_draw(hands_image.cr.get(), size, size, &tv, 1); },
             targets ? kHandsTarget : 0},
            {"frame (face + hands)",
             [&] {
                 qxface_draw(frame_image.cr.get(), size, size);
                 qxhand_draw(frame_image.cr.get(), size, size, &tv, 1);
             },
             targets ? kFrameTarget : 0},
        };
        std::printf("%d x %d, %d rounds, in paints (median of per-round ratios):\n", size, size,
                    rounds);
        all_met =
            quillkit_bench::report(quillkit_bench::measure(paint, cases, rounds, 0.02), "paints") &&
            all_met;
    }
    std::printf("targets: %s\n", all_met ? "all met" : "NOT all met");
    return 0;
}

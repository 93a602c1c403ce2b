/* qxface.cpp - the clock face: the logo in the middle and a ring of sixty
 * ticks, blue discs with grey rings at the quarters and every five minutes,
 * small grey discs between.
 *
 * The face is drawn in the unit square stretched over the caller's
 * rectangle, so a window that is not square gets an elliptical face.
 */
#include "qxdraw.h"

#include "constants.h"
#include "context_guards.h"
#include "palette.h"

namespace {

using quillkit::kAccentBlue;
using quillkit::kLightGrey;
using quillkit::kPi;
using quillkit::SavedState;
using quillkit::set_source;

constexpr double kTwoPi = 2 * kPi;

/* The logo is fitted into the square (0.15, 0.15)-(0.85, 0.85). */
constexpr double kLogoOffset = 0.15;
constexpr double kLogoSize = 0.7;

/* The tick frame: origin at the centre, scaled so that the ticks, half a tick
 * unit out, sit on a ring of radius 0.465 of the unit square. */
constexpr double kTickCentre = 0.5;
constexpr double kTickScale = 0.93;
constexpr double kTickDistance = 0.5;
constexpr int kMinutes = 60;

/* The three kinds of tick, tried in this order: a minute takes the first
 * kind whose period divides it, so a quarter never counts as a five-minute
 * tick. Radii are in tick units. */
struct TickKind {
    int period; /* minutes */
    bool fancy; /* disc and ring, or a plain disc */
    double radius;
};

constexpr TickKind kTickKinds[] = {
    {15, true, 0.015}, /* quarter */
    {5, true, 0.01},   /* five minutes */
    {1, false, 0.01},  /* every other minute */
};

/* A blue disc of `radius` and, after a gap, a grey ring about it: a circle of
 * twice the radius stroked a third of the diameter wide. */
void draw_fancy_tick(cairo_t *cr, double radius, double alpha)
{
    const SavedState tick(cr);
    cairo_arc(cr, 0, 0, radius, 0, kTwoPi);
    set_source(cr, kAccentBlue, alpha);
    cairo_fill(cr);
    set_source(cr, kLightGrey, alpha);
    cairo_set_line_width(cr, (radius + radius) / 3);
    cairo_arc(cr, 0, 0, 2 * radius, 0, kTwoPi);
    cairo_stroke(cr);
}

/* A grey disc of `radius`. */
void draw_plain_tick(cairo_t *cr, double radius, double alpha)
{
    const SavedState tick(cr);
    cairo_arc(cr, 0, 0, radius, 0, kTwoPi);
    set_source(cr, kLightGrey, alpha);
    cairo_fill(cr);
}

}  // namespace

extern "C" void qxface_draw(cairo_t *cr, double width, double height)
{
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS ||
        !quillkit::box_is_drawable(cr, 0, 0, width, height))
        return;

    const double alpha = quillkit::alpha_in_force(cr);
    const quillkit::DrawingScope scope(cr);

    cairo_scale(cr, width, height);
    {
        const SavedState logo(cr);
        cairo_translate(cr, kLogoOffset, kLogoOffset);
        cairo_scale(cr, kLogoSize, kLogoSize);
        qxlogo_draw(cr, 1.0, 1.0);
    }

    cairo_translate(cr, kTickCentre, kTickCentre);
    cairo_scale(cr, kTickScale, kTickScale);
    /* Minute m is turned 6m degrees from straight down, clockwise on a
     * y-down device: 0 below the centre, 15 at the left, 30 at the top. */
    for (int minute = 0; minute < kMinutes; minute++) {
        const SavedState tick(cr);
        const double degrees = minute * 6.0;
        const double radians = degrees * kPi / 180;
        cairo_rotate(cr, radians);
        cairo_translate(cr, 0, kTickDistance);
        for (const TickKind &kind : kTickKinds) {
            if (minute % kind.period != 0)
                continue;
            if (kind.fancy)
                draw_fancy_tick(cr, kind.radius, alpha);
            else
                draw_plain_tick(cr, kind.radius, alpha);
            break;
        }
    }
}

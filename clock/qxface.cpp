/* qxface.cpp - the clock face: the logo in the middle and a ring of sixty
 * ticks, blue discs with grey rings at the quarters and every five minutes,
 * small grey discs between.
 *
 * The face is drawn in the unit square stretched over the caller's
 * rectangle, so a window that is not square gets an elliptical face.
 */
#include "qxdraw.h"

#include "cairo_guard.h"

namespace {

using quillkit::accent_blue;
using quillkit::light_grey;
using quillkit::path_set_aside;
using quillkit::saved_state;
using quillkit::set_source;

constexpr double pi = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;

/* The logo is fitted into the square (0.15, 0.15)-(0.85, 0.85). */
constexpr double logo_offset = 0.15;
constexpr double logo_size = 0.7;

/* The tick frame: origin at the centre, scaled so that the ticks, half a tick
 * unit out, sit on a ring of radius 0.465 of the unit square. */
constexpr double tick_centre = 0.5;
constexpr double tick_scale = 0.93;
constexpr double tick_distance = 0.5;
constexpr int minutes = 60;

/* The three kinds of tick, tried in this order: a minute takes the first
 * kind whose period divides it, so a quarter never counts as a five-minute
 * tick. Radii are in tick units. */
struct tick_kind {
    int period; /* minutes */
    bool fancy; /* disc and ring, or a plain disc */
    double radius;
};

constexpr tick_kind tick_kinds[] = {
    {15, true, 0.015}, /* quarter */
    {5, true, 0.01},   /* five minutes */
    {1, false, 0.01},  /* every other minute */
};

/* A blue disc of `radius` and, after a gap, a grey ring about it: a circle of
 * twice the radius stroked a third of the diameter wide. */
void draw_fancy_tick(cairo_t *cr, double radius, double alpha)
{
    const saved_state tick(cr);
    cairo_arc(cr, 0, 0, radius, 0, two_pi);
    set_source(cr, accent_blue, alpha);
    cairo_fill(cr);
    set_source(cr, light_grey, alpha);
    cairo_set_line_width(cr, (radius + radius) / 3);
    cairo_arc(cr, 0, 0, 2 * radius, 0, two_pi);
    cairo_stroke(cr);
}

/* A grey disc of `radius`. */
void draw_plain_tick(cairo_t *cr, double radius, double alpha)
{
    const saved_state tick(cr);
    cairo_arc(cr, 0, 0, radius, 0, two_pi);
    set_source(cr, light_grey, alpha);
    cairo_fill(cr);
}

}  // namespace

extern "C" void qxface_draw(cairo_t *cr, double width, double height)
{
    if (!quillkit::scale_keeps_matrix_invertible(cr, width, height))
        return;

    const path_set_aside path(cr);
    const saved_state outer(cr);
    const double alpha = quillkit::alpha_in_force(cr);

    cairo_scale(cr, width, height);
    {
        const saved_state logo(cr);
        cairo_translate(cr, logo_offset, logo_offset);
        cairo_scale(cr, logo_size, logo_size);
        qxlogo_draw(cr, 1.0, 1.0);
    }

    cairo_translate(cr, tick_centre, tick_centre);
    cairo_scale(cr, tick_scale, tick_scale);
    /* Minute m is turned 6m degrees from straight down, clockwise on a
     * y-down device: 0 below the centre, 15 at the left, 30 at the top. */
    for (int minute = 0; minute < minutes; minute++) {
        const saved_state tick(cr);
        const double degrees = minute * 6.0;
        const double radians = degrees * pi / 180;
        cairo_rotate(cr, radians);
        cairo_translate(cr, 0, tick_distance);
        for (const tick_kind &kind : tick_kinds) {
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

/* qxlogo.cpp - the logo: a tilted rounded frame around a blue panel carrying
 * three white windows joined by a translucent triangle.
 *
 * The logo is designed in a box 69.504 wide and 58.224000000000004 high. It is
 * fitted uniformly into the caller's rectangle, touching two opposite sides
 * and centred along the other axis. Inside the box the logo's own frame is
 * moved to (-2.5, 14.75) and turned a little counter-clockwise.
 *
 * Paint order, bottom to top: grey outline, blue panel, translucent white
 * triangle, then each window's white pane and blue outline, largest first.
 */
#include "qxdraw.h"

#include "cairo_guard.h"

#include <cmath>
#include <cstddef>

namespace {

using quillkit::accent_blue;
using quillkit::light_grey;
using quillkit::path_set_aside;
using quillkit::rgb;
using quillkit::saved_state;
using quillkit::set_source;

constexpr rgb white{1, 1, 1};

constexpr double design_width = 69.504;
constexpr double design_height = 58.224000000000004;
constexpr double origin_x = -2.5;
constexpr double origin_y = 14.75;
constexpr double tilt = -0.27499070352984; /* radians, about -15.756 degrees */
constexpr double outline_width = 2;
constexpr double panel_dx = 3.5;
constexpr double panel_dy = 3.5;
constexpr double panel_sx = 0.887;
constexpr double panel_sy = 0.848;
constexpr double triangle_alpha = 0.5;

/* A path as a list of plain cairo path calls. */
enum class op { move_to, line_to, curve_to, close_path };

struct point {
    double x, y;
};

struct path_step {
    op call;
    point p[3]; /* move/line: p[0]; curve: control, control, end */
};

/* The frame: a rounded rectangle from (1, 1) to (63, 47) in logo units whose
 * corners are curves 12 across and 11 down, controls 7 in from their ends. */
constexpr path_step boundary[] = {
    {op::move_to, {{63, 36}, {}, {}}}, {op::curve_to, {{63, 43}, {58, 47}, {51, 47}}},
    {op::line_to, {{13, 47}, {}, {}}}, {op::curve_to, {{6, 47}, {1, 43}, {1, 36}}},
    {op::line_to, {{1, 12}, {}, {}}},  {op::curve_to, {{1, 5}, {6, 1}, {13, 1}}},
    {op::line_to, {{51, 1}, {}, {}}},  {op::curve_to, {{58, 1}, {63, 5}, {63, 12}}},
    {op::close_path, {{}, {}, {}}},
};

/* One window: 18 by 14.25 centred on the origin, corners 3 by 3 with controls
 * 2 in from their ends. */
constexpr path_step window[] = {
    {op::move_to, {{-6, -7.125}, {}, {}}},
    {op::line_to, {{6, -7.125}, {}, {}}},
    {op::curve_to, {{8, -7.125}, {9, -6.125}, {9, -4.125}}},
    {op::line_to, {{9, 4.125}, {}, {}}},
    {op::curve_to, {{9, 6.125}, {8, 7.125}, {6, 7.125}}},
    {op::line_to, {{-6, 7.125}, {}, {}}},
    {op::curve_to, {{-8, 7.125}, {-9, 6.125}, {-9, 4.125}}},
    {op::line_to, {{-9, -4.125}, {}, {}}},
    {op::curve_to, {{-9, -6.125}, {-8, -7.125}, {-6, -7.125}}},
    {op::close_path, {{}, {}, {}}},
};

/* The windows in drawing order, by centre (logo units) and scale; the
 * triangle joins the same centres in the same order. */
struct window_place {
    point centre;
    double scale;
};

constexpr window_place windows[] = {
    {{18, 16.125}, 1.0},
    {{48.25, 20.375}, 0.8},
    {{30.25, 35.825}, 0.5},
};

template <std::size_t n>
void append_path(cairo_t *cr, const path_step (&steps)[n])
{
    for (const path_step &s : steps) {
        switch (s.call) {
        case op::move_to:
            cairo_move_to(cr, s.p[0].x, s.p[0].y);
            break;
        case op::line_to:
            cairo_line_to(cr, s.p[0].x, s.p[0].y);
            break;
        case op::curve_to:
            cairo_curve_to(cr, s.p[0].x, s.p[0].y, s.p[1].x, s.p[1].y, s.p[2].x, s.p[2].y);
            break;
        case op::close_path:
            cairo_close_path(cr);
            break;
        }
    }
}

void draw_boundary(cairo_t *cr)
{
    append_path(cr, boundary);
}

void draw_window(cairo_t *cr)
{
    append_path(cr, window);
}

/* Strokes the frame in grey. Deliberately without a save/restore pair of its
 * own: the line width 2 stays in force for the triangle and the window
 * outlines that follow, until qxlogo_draw's outer restore. */
void draw_outline(cairo_t *cr, double alpha)
{
    set_source(cr, light_grey, alpha);
    cairo_set_line_width(cr, outline_width);
    draw_boundary(cr);
    cairo_stroke(cr);
}

/* Fills the panel: the frame's shape shrunk and moved inside it. */
void draw_background(cairo_t *cr, double alpha)
{
    const saved_state panel(cr);
    set_source(cr, accent_blue, alpha);
    cairo_translate(cr, panel_dx, panel_dy);
    cairo_scale(cr, panel_sx, panel_sy);
    draw_boundary(cr);
    cairo_fill(cr);
}

/* One window centred at (x, y), scaled by `scale`: a white pane, then the
 * same path stroked in blue. The inverse scale before the stroke leaves the
 * path where it is and only makes the line width count in the caller's units
 * again, so every window gets the same outline width. */
void draw_window_at(cairo_t *cr, double x, double y, double scale, double alpha)
{
    const saved_state window_state(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    draw_window(cr);
    {
        const saved_state pane(cr);
        set_source(cr, white, alpha);
        cairo_fill_preserve(cr);
    }
    set_source(cr, accent_blue, alpha);
    cairo_scale(cr, 1 / scale, 1 / scale);
    cairo_stroke(cr);
}

}  // namespace

extern "C" void draw_windows(cairo_t *cr)
{
    const path_set_aside path(cr);
    const double alpha = quillkit::alpha_in_force(cr);
    {
        const saved_state triangle(cr);
        cairo_move_to(cr, windows[0].centre.x, windows[0].centre.y);
        cairo_line_to(cr, windows[1].centre.x, windows[1].centre.y);
        cairo_line_to(cr, windows[2].centre.x, windows[2].centre.y);
        cairo_close_path(cr);
        set_source(cr, white, triangle_alpha);
        cairo_stroke(cr);
    }
    for (const window_place &w : windows)
        draw_window_at(cr, w.centre.x, w.centre.y, w.scale, alpha);
}

extern "C" void qxlogo_draw(cairo_t *cr, double width, double height)
{
    const double x_scale = width / design_width;
    const double y_scale = height / design_height;
    /* The smaller ratio; on a tie, y_scale. */
    const double scale = y_scale > x_scale ? x_scale : y_scale;
    const double x_off = (width - design_width * scale) / 2;
    const double y_off = (height - design_height * scale) / 2;
    if (!std::isfinite(x_off) || !std::isfinite(y_off) ||
        !quillkit::scale_keeps_matrix_invertible(cr, scale, scale))
        return;

    const path_set_aside path(cr);
    const saved_state outer(cr);
    const double alpha = quillkit::alpha_in_force(cr);

    cairo_translate(cr, x_off, y_off);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, origin_x, origin_y);
    cairo_rotate(cr, tilt);

    draw_outline(cr, alpha);
    draw_background(cr, alpha);
    draw_windows(cr);
}

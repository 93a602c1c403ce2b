// shapekit.cpp - rounded rectangle and edge line paths.
//
// Both helpers only append to the caller's current path with cairo_move_to,
// cairo_line_to, cairo_curve_to and cairo_close_path; painting is left to the
// caller. Every value is computed from the arguments exactly as written below,
// so callers get the same points whatever the order of their other path calls.

#include "shapekit.h"

namespace {

// The edge line's ends are pushed apart by this much along y: the start moves
// toward smaller y, the end toward larger y.
constexpr double kEdgeEndShift = 1.0;

// The threshold between the two edge line shapes is half the bend; the
// steep shape's control points sit a quarter of the bend past its ends.
constexpr double kEdgeThresholdDivisor = 2.0;
constexpr double kEdgeReachDivisor = 4.0;

// A rounded corner: a Bezier whose two control points both sit on the corner
// (cx, cy), ending at (x, y).
void corner_to(cairo_t *cr, double cx, double cy, double x, double y)
{
    cairo_curve_to(cr, cx, cy, cx, cy, x, y);
}

}  // namespace

extern "C" void cairo_rectangle_round(cairo_t *cr, double x0, double y0, double width,
                                      double height, double radius)
{
    // An exact comparison: -0.0 is zero too, NaN is not.
    if (width == 0.0 || height == 0.0)
        return;

    const double x1 = x0 + width;
    const double y1 = y0 + height;
    const double xm = (x0 + x1) / 2;
    const double ym = (y0 + y1) / 2;
    const double r = radius;

    // A radius above half a side leaves that pair of sides no straight part:
    // the two corner curves at its ends meet at the side's middle. Strict
    // tests, both false for NaN.
    const bool meet_top_bottom = radius > width / 2;
    const bool meet_left_right = radius > height / 2;

    // Corners in the order (x0, y0), (x1, y0), (x1, y1), (x0, y1), starting on
    // the left side just below the first corner.
    cairo_move_to(cr, x0, meet_left_right ? ym : y0 + r);

    corner_to(cr, x0, y0, meet_top_bottom ? xm : x0 + r, y0);
    if (!meet_top_bottom)
        cairo_line_to(cr, x1 - r, y0);

    corner_to(cr, x1, y0, x1, meet_left_right ? ym : y0 + r);
    if (!meet_left_right)
        cairo_line_to(cr, x1, y1 - r);

    corner_to(cr, x1, y1, meet_top_bottom ? xm : x1 - r, y1);
    if (!meet_top_bottom)
        cairo_line_to(cr, x0 + r, y1);

    // With straight left and right sides the close path draws the left one.
    corner_to(cr, x0, y1, x0, meet_left_right ? ym : y1 - r);
    cairo_close_path(cr);
}

extern "C" void cairo_edgeline(cairo_t *cr, double x0, double y0, double x1, double y1, double bend)
{
    const double ys = y0 - kEdgeEndShift;
    const double ye = y1 + kEdgeEndShift;

    cairo_move_to(cr, x0, ys);

    if (ye > (bend / kEdgeThresholdDivisor) + ys) {
        // The end lies well below the start: both control points halfway
        // between the two heights, one above each end.
        const double mid = (ys + ye) / 2;
        cairo_curve_to(cr, x0, mid, x1, mid, x1, ye);
    } else {
        // The end is level with, above or barely below the start: the curve
        // leaves downward and arrives from above, reaching f past each end.
        // Evaluated in exactly this order; at the threshold f is bend / 4 and
        // the control points equal those of the branch above.
        const double f = bend / kEdgeReachDivisor + ((bend / kEdgeThresholdDivisor + ys) - ye);
        cairo_curve_to(cr, x0, ys + f, x1, ye - f, x1, ye);
    }
    // Left open: a following path call continues from (x1, ye).
}

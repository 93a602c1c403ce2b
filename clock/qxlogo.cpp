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

#include "context_guards.h"
#include "palette.h"

#include <cstddef>

namespace {

using quillkit::kAccentBlue;
using quillkit::kLightGrey;
using quillkit::kWhite;
using quillkit::SavedState;
using quillkit::set_source;

/* The design box that is fitted into the caller's rectangle. Its height is
 * the double one step above 58.224, the value the logo's layout arrived at;
 * it is kept to the last bit so that a rectangle of exactly the design's size
 * (69.504 x 58.224000000000004) fits with a scale of exactly 1 and no
 * offsets, drawing the logo at its design size. */
constexpr double kDesignWidth = 69.504;
constexpr double kDesignHeight = 58.224000000000004;
constexpr double kOriginX = -2.5;
constexpr double kOriginY = 14.75;
constexpr double kTilt = -0.27499070352984; /* radians, about -15.756 degrees */
constexpr double kOutlineWidth = 2;
constexpr double kPanelDx = 3.5;
constexpr double kPanelDy = 3.5;
constexpr double kPanelSx = 0.887;
constexpr double kPanelSy = 0.848;
constexpr double kTriangleAlpha = 0.5;

/* The part of the logo frame the windows and the triangle lie in (they reach
 * from about 9 to 56 across and 8 to 40 down), for the drawability check of
 * draw_windows. */
constexpr double kFrameWidth = 64;
constexpr double kFrameHeight = 48;

/* A path as a list of plain cairo path calls. */
enum class Op { kMoveTo, kLineTo, kCurveTo, kClosePath };

struct Point {
    double x, y;
};

struct PathStep {
    Op call;
    Point p[3]; /* move/line: p[0]; curve: control, control, end */
};

// clang-format off
/* The frame: a rounded rectangle from (1, 1) to (63, 47) in logo units whose
 * corners are curves 12 across and 11 down, controls 7 in from their ends. */
constexpr PathStep kBoundary[] = {
    {Op::kMoveTo,    {{63, 36}, {}, {}}},
    {Op::kCurveTo,   {{63, 43}, {58, 47}, {51, 47}}},
    {Op::kLineTo,    {{13, 47}, {}, {}}},
    {Op::kCurveTo,   {{6, 47}, {1, 43}, {1, 36}}},
    {Op::kLineTo,    {{1, 12}, {}, {}}},
    {Op::kCurveTo,   {{1, 5}, {6, 1}, {13, 1}}},
    {Op::kLineTo,    {{51, 1}, {}, {}}},
    {Op::kCurveTo,   {{58, 1}, {63, 5}, {63, 12}}},
    {Op::kClosePath, {{}, {}, {}}},
};

/* One window: 18 by 14.25 centred on the origin, corners 3 by 3 with controls
 * 2 in from their ends. */
constexpr PathStep kWindow[] = {
    {Op::kMoveTo,    {{-6, -7.125}, {}, {}}},
    {Op::kLineTo,    {{6, -7.125}, {}, {}}},
    {Op::kCurveTo,   {{8, -7.125}, {9, -6.125}, {9, -4.125}}},
    {Op::kLineTo,    {{9, 4.125}, {}, {}}},
    {Op::kCurveTo,   {{9, 6.125}, {8, 7.125}, {6, 7.125}}},
    {Op::kLineTo,    {{-6, 7.125}, {}, {}}},
    {Op::kCurveTo,   {{-8, 7.125}, {-9, 6.125}, {-9, 4.125}}},
    {Op::kLineTo,    {{-9, -4.125}, {}, {}}},
    {Op::kCurveTo,   {{-9, -6.125}, {-8, -7.125}, {-6, -7.125}}},
    {Op::kClosePath, {{}, {}, {}}},
};
// clang-format on

/* The windows in drawing order, by centre (logo units) and scale; the
 * triangle joins the same centres in the same order. */
struct WindowPlace {
    Point centre;
    double scale;
};

constexpr WindowPlace kWindows[] = {
    {{18, 16.125}, 1.0},
    {{48.25, 20.375}, 0.8},
    {{30.25, 35.825}, 0.5},
};

template <std::size_t n>
void append_path(cairo_t *cr, const PathStep (&steps)[n])
{
    for (const PathStep &s : steps) {
        switch (s.call) {
        case Op::kMoveTo:
            cairo_move_to(cr, s.p[0].x, s.p[0].y);
            break;
        case Op::kLineTo:
            cairo_line_to(cr, s.p[0].x, s.p[0].y);
            break;
        case Op::kCurveTo:
            cairo_curve_to(cr, s.p[0].x, s.p[0].y, s.p[1].x, s.p[1].y, s.p[2].x, s.p[2].y);
            break;
        case Op::kClosePath:
            cairo_close_path(cr);
            break;
        }
    }
}

void draw_boundary(cairo_t *cr)
{
    append_path(cr, kBoundary);
}

void draw_window(cairo_t *cr)
{
    append_path(cr, kWindow);
}

/* Strokes the frame in grey. Deliberately without a save/restore pair of its
 * own: the line width 2 stays in force for the triangle and the window
 * outlines that follow, until qxlogo_draw's outer restore. */
void draw_outline(cairo_t *cr, double alpha)
{
    set_source(cr, kLightGrey, alpha);
    cairo_set_line_width(cr, kOutlineWidth);
    draw_boundary(cr);
    cairo_stroke(cr);
}

/* Fills the panel: the frame's shape shrunk and moved inside it. */
void draw_background(cairo_t *cr, double alpha)
{
    const SavedState panel(cr);
    set_source(cr, kAccentBlue, alpha);
    cairo_translate(cr, kPanelDx, kPanelDy);
    cairo_scale(cr, kPanelSx, kPanelSy);
    draw_boundary(cr);
    cairo_fill(cr);
}

/* One window centred at (x, y), scaled by `scale`: a white pane, then the
 * same path stroked in blue. The inverse scale before the stroke leaves the
 * path where it is and only makes the line width count in the caller's units
 * again, so every window gets the same outline width. */
void draw_window_at(cairo_t *cr, double x, double y, double scale, double alpha)
{
    const SavedState window_state(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    draw_window(cr);
    {
        const SavedState pane(cr);
        set_source(cr, kWhite, alpha);
        cairo_fill_preserve(cr);
    }
    set_source(cr, kAccentBlue, alpha);
    cairo_scale(cr, 1 / scale, 1 / scale);
    cairo_stroke(cr);
}

}  // namespace

extern "C" void draw_windows(cairo_t *cr)
{
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS ||
        !quillkit::box_is_drawable(cr, 0, 0, kFrameWidth, kFrameHeight))
        return;

    const double alpha = quillkit::alpha_in_force(cr);
    const quillkit::DrawingScope scope(cr);
    {
        const SavedState triangle(cr);
        cairo_move_to(cr, kWindows[0].centre.x, kWindows[0].centre.y);
        cairo_line_to(cr, kWindows[1].centre.x, kWindows[1].centre.y);
        cairo_line_to(cr, kWindows[2].centre.x, kWindows[2].centre.y);
        cairo_close_path(cr);
        set_source(cr, kWhite, kTriangleAlpha);
        cairo_stroke(cr);
    }
    for (const WindowPlace &w : kWindows)
        draw_window_at(cr, w.centre.x, w.centre.y, w.scale, alpha);
}

extern "C" void qxlogo_draw(cairo_t *cr, double width, double height)
{
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
        return;
    const double x_scale = width / kDesignWidth;
    const double y_scale = height / kDesignHeight;
    /* The smaller ratio; on a tie, y_scale. */
    const double scale = y_scale > x_scale ? x_scale : y_scale;
    const double x_off = (width - kDesignWidth * scale) / 2;
    const double y_off = (height - kDesignHeight * scale) / 2;
    /* The fit is one uniform cairo_scale, which cairo refuses when its square
     * underflows to zero. */
    if (scale * scale == 0.0 ||
        !quillkit::box_is_drawable(cr, x_off, y_off, kDesignWidth * scale, kDesignHeight * scale))
        return;

    const double alpha = quillkit::alpha_in_force(cr);
    const quillkit::DrawingScope scope(cr);

    cairo_translate(cr, x_off, y_off);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, kOriginX, kOriginY);
    cairo_rotate(cr, kTilt);

    draw_outline(cr, alpha);
    draw_background(cr, alpha);
    draw_windows(cr);
}

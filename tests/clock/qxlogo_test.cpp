// Tests of the logo: where the fit puts it, and what is seen where.
//
// Points of the logo are given in its own units and carried to the device by
// the logo's placement written out here: the design box 69.504 by
// 58.224000000000004 scaled uniformly into the target and centred, the logo
// frame moved to (-2.5, 14.75) inside it and turned by -0.27499070352984.
#include "qxdraw.h"

#include "image.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <limits>
#include <string>

using namespace quillkit_test;

namespace {

constexpr double kBoxW = 69.504;
constexpr double kBoxH = 58.224000000000004;
constexpr double kTilt = -0.27499070352984;

const Argb kGrey = over_white(0.73, 0.73, 0.73, 1);
const Argb kBlue = over_white(0.231, 0.502, 0.682, 1);

struct Point {
    double x, y;
};

// Placement of the logo in a target `w` x `h`, drawn under a caller's
// matrix that scales by `zoom`.
struct Placement {
    double zoom, scale, x_off, y_off;

    Placement(double z, double w, double h) : zoom(z)
    {
        scale = std::min(w / kBoxW, h / kBoxH);
        x_off = (w - kBoxW * scale) / 2;
        y_off = (h - kBoxH * scale) / 2;
    }
    Point device(Point logo) const
    {
        const double fx = -2.5 + logo.x * std::cos(kTilt) - logo.y * std::sin(kTilt);
        const double fy = 14.75 + logo.x * std::sin(kTilt) + logo.y * std::cos(kTilt);
        return {zoom * (x_off + scale * fx), zoom * (y_off + scale * fy)};
    }
    // Device pixels per logo unit.
    double unit() const { return zoom * scale; }
};

Argb probe(const Canvas &c, const Placement &p, Point logo)
{
    const Point d = p.device(logo);
    return argb_under(c.surface(), d.x, d.y);
}

// The frame's corner curves: from the end of one straight edge to the start
// of the next, with controls 7 units in along the edges.
const Point kCorners[4][4] = {
    {{63, 36}, {63, 43}, {58, 47}, {51, 47}},
    {{13, 47}, {6, 47}, {1, 43}, {1, 36}},
    {{1, 12}, {1, 5}, {6, 1}, {13, 1}},
    {{51, 1}, {58, 1}, {63, 5}, {63, 12}},
};

Point bezier(const Point (&c)[4], double t)
{
    const double s = 1 - t;
    const double a = s * s * s, b = 3 * s * s * t, d = 3 * s * t * t, e = t * t * t;
    return {a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x,
            a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
}

struct Box {
    double x0, y0, x1, y1;
};

// The device extent of the stroked frame: the frame is convex and smooth, so
// the stroke reaches half the line width (1 logo unit) beyond its outline in
// every direction.
Box expected_ink(const Placement &p)
{
    Box b{1e300, 1e300, -1e300, -1e300};
    for (const auto &corner : kCorners)
        for (int i = 0; i <= 400; i++) {
            const Point d = p.device(bezier(corner, i / 400.0));
            b = {std::min(b.x0, d.x), std::min(b.y0, d.y), std::max(b.x1, d.x),
                 std::max(b.y1, d.y)};
        }
    const double half = p.unit();
    return {b.x0 - half, b.y0 - half, b.x1 + half, b.y1 + half};
}

Box painted_extent(const Canvas &c)
{
    Box b{1e300, 1e300, -1e300, -1e300};
    for (int y = 0; y < c.height(); y++)
        for (int x = 0; x < c.width(); x++)
            if (!is_white(argb_at(c.surface(), x, y)))
                b = {std::min(b.x0, double(x)), std::min(b.y0, double(y)), std::max(b.x1, x + 1.0),
                     std::max(b.y1, y + 1.0)};
    return b;
}

struct FitCase {
    const char *name;
    double zoom, width, height;
    int surface_w, surface_h;
    double scale, x_off, y_off;  // as the fit rule gives them
};
// Test names carry the case name; keep gtest from dumping the bytes too.
void PrintTo(const FitCase &c, std::ostream *os)
{
    *os << c.name;
}

class LogoFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(LogoFit, FrameLandsWhereTheFitPutsIt)
{
    const FitCase &f = GetParam();
    const Placement p(f.zoom, f.width, f.height);
    // The placement follows the fit rule: smaller ratio, centred.
    EXPECT_NEAR(p.scale, f.scale, 1e-4);
    EXPECT_NEAR(p.x_off, f.x_off, 1e-2);
    EXPECT_NEAR(p.y_off, f.y_off, 1e-2);

    Canvas c(f.surface_w, f.surface_h);
    cairo_scale(c.cr(), f.zoom, f.zoom);
    qxlogo_draw(c.cr(), f.width, f.height);
    ASSERT_EQ(cairo_status(c.cr()), CAIRO_STATUS_SUCCESS);

    const Box want = expected_ink(p), got = painted_extent(c);
    EXPECT_NEAR(got.x0, want.x0, 1.0);
    EXPECT_NEAR(got.y0, want.y0, 1.0);
    EXPECT_NEAR(got.x1, want.x1, 1.0);
    EXPECT_NEAR(got.y1, want.y1, 1.0);
    // Nothing is drawn outside the target rectangle.
    EXPECT_GE(got.x0, 0);
    EXPECT_GE(got.y0, 0);
    EXPECT_LE(got.x1, f.zoom * f.width + 0.5);
    EXPECT_LE(got.y1, f.zoom * f.height + 0.5);
}

// The 1 x 1 target is the one the face uses: full width, centred vertically.
// At 400 x 300 the height limits. At the design size both ratios are 1.
INSTANTIATE_TEST_SUITE_P(
    Targets, LogoFit,
    ::testing::Values(FitCase{"unit", 400, 1, 1, 400, 400, 0.0143877, 0, 0.0811},
                      FitCase{"wide", 1, 400, 300, 400, 300, 5.1525, 20.94, 0},
                      FitCase{"tall", 1, 200, 300, 200, 300, 200 / kBoxW, 0,
                              (300 - kBoxH * 200 / kBoxW) / 2},
                      FitCase{"design", 5, kBoxW, kBoxH, 348, 292, 1, 0, 0}),
    [](const ::testing::TestParamInfo<FitCase> &param) { return std::string(param.param.name); });

struct SeenCase {
    const char *what;
    Point logo;
    Argb colour;
};

// Chosen points of the logo at five times its design size, and the colour the
// paint order leaves there.
TEST(Logo, PaintOrderSeenAtChosenPoints)
{
    Canvas c(348, 292);
    cairo_scale(c.cr(), 5, 5);
    qxlogo_draw(c.cr(), kBoxW, kBoxH);
    const Placement p(5, kBoxW, kBoxH);

    const Argb triangle_on_panel = over(1, 1, 1, 0.5, kBlue);
    const SeenCase cases[] = {
        {"grey frame, top edge", {32, 1}, kGrey},
        {"grey frame, left edge", {1, 24}, kGrey},
        {"gap between frame and panel", {32, 3.2}, kWhite},
        {"blue panel", {32, 8}, kBlue},
        {"blue panel, lower right", {55, 40}, kBlue},
        {"pane 1 covers the triangle's corner", {18, 16.125}, kWhite},
        {"pane 2 covers the triangle's corner", {48.25, 20.375}, kWhite},
        {"pane 3 covers the triangle's corner", {30.25, 35.825}, kWhite},
        {"pane 1 outline", {18, 9}, kBlue},
        {"pane 1 outline, right", {27, 16.125}, kBlue},
        {"pane 2 outline", {48.25, 20.375 - 5.7}, kBlue},
        {"pane 3 outline", {30.25, 35.825 - 3.5625}, kBlue},
        {"pane 1 inside its outline", {18, 11}, kWhite},
        {"triangle edge 1-2", {33.125, 18.25}, triangle_on_panel},
        {"triangle edge 1-3", {25.35, 27.945}, triangle_on_panel},
        {"triangle edge 2-3", {39.25, 28.1}, triangle_on_panel},
    };
    for (const SeenCase &s : cases)
        EXPECT_TRUE(near(probe(c, p, s.logo), s.colour, 2))
            << s.what << ": got " << probe(c, p, s.logo) << ", want " << s.colour;
}

TEST(Logo, PaintsWithTheAlphaOfTheCallersColour)
{
    // A translucent caller colour fades the frame, panel, panes and outlines;
    // the triangle keeps its own 0.5.
    Canvas c(348, 292);
    cairo_scale(c.cr(), 5, 5);
    cairo_set_source_rgba(c.cr(), 0.9, 0.1, 0.1, 0.5);
    qxlogo_draw(c.cr(), kBoxW, kBoxH);
    const Placement p(5, kBoxW, kBoxH);

    const Argb panel = over_white(0.231, 0.502, 0.682, 0.5);
    EXPECT_TRUE(near(probe(c, p, {32, 1}), over_white(0.73, 0.73, 0.73, 0.5), 2));
    EXPECT_TRUE(near(probe(c, p, {32, 8}), panel, 2));
    EXPECT_TRUE(near(probe(c, p, {25.35, 27.945}), over(1, 1, 1, 0.5, panel), 2));
    // The pane at half alpha over the half-alpha panel...
    const Argb pane = over(1, 1, 1, 0.5, panel);
    EXPECT_TRUE(near(probe(c, p, {18, 13}), pane, 2)) << probe(c, p, {18, 13});
    // ...and the outline at half alpha over its own pane.
    EXPECT_TRUE(near(probe(c, p, {18, 9.6}), over(0.231, 0.502, 0.682, 0.5, pane), 2))
        << probe(c, p, {18, 9.6});
}

TEST(Logo, GradientSourcePaintsOpaque)
{
    Canvas plain(174, 146), graded(174, 146);
    cairo_scale(plain.cr(), 2.5, 2.5);
    cairo_scale(graded.cr(), 2.5, 2.5);
    cairo_pattern_t *g = cairo_pattern_create_linear(0, 0, 100, 0);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 0, 0, 0.2);
    cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 1, 0.2);
    cairo_set_source(graded.cr(), g);
    cairo_pattern_destroy(g);
    qxlogo_draw(plain.cr(), kBoxW, kBoxH);
    qxlogo_draw(graded.cr(), kBoxW, kBoxH);
    EXPECT_EQ(max_difference(plain.surface(), graded.surface()), 0);
}

TEST(Logo, WindowsAloneUseTheCallersSpaceAndLineWidth)
{
    // On a dark ground, at five times the logo's units, with the caller's line
    // width of 1: outlines reach half a unit either side of the pane edge.
    Canvas c(340, 240);
    cairo_set_source_rgb(c.cr(), 0.2, 0.2, 0.2);
    cairo_paint(c.cr());
    cairo_scale(c.cr(), 5, 5);
    cairo_set_line_width(c.cr(), 1);
    cairo_set_source_rgb(c.cr(), 0, 0, 0);
    draw_windows(c.cr());

    auto at = [&](double x, double y) { return argb_under(c.surface(), 5 * x, 5 * y); };
    const Argb ground = {255, 51, 51, 51};
    EXPECT_TRUE(near(at(18, 16.125), kWhite, 1));
    EXPECT_TRUE(near(at(18, 9.1), kBlue, 2)) << at(18, 9.1);
    EXPECT_TRUE(near(at(18, 8.3), ground, 1))
        << "outline wider than the caller's line width: " << at(18, 8.3);
    // The triangle: white at 0.5 over the ground, 1 unit wide.
    EXPECT_TRUE(near(at(33.125, 18.25), over(1, 1, 1, 0.5, ground), 2)) << at(33.125, 18.25);
    EXPECT_TRUE(near(at(33.125, 19.5), ground, 1));
}

}  // namespace

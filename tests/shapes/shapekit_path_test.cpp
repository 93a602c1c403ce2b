// shapekit's paths as real cairo stores them, read back with cairo_copy_path.
// All coordinates are multiples of 1/256, so cairo's fixed-point grid keeps
// them exactly; curves and lines are chosen so that cairo keeps every segment.
#include "shapekit.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

namespace {

struct Seg {
    cairo_path_data_type_t type;
    std::vector<double> xy;

    bool operator==(const Seg &o) const { return type == o.type && xy == o.xy; }
};

void PrintTo(const Seg &s, std::ostream *os)
{
    static const char *const names[] = {"move_to", "line_to", "curve_to", "close_path"};
    *os << names[s.type] << "(";
    for (std::size_t i = 0; i < s.xy.size(); ++i)
        *os << (i ? ", " : "") << s.xy[i];
    *os << ")";
}

Seg M(double x, double y)
{
    return {CAIRO_PATH_MOVE_TO, {x, y}};
}
Seg L(double x, double y)
{
    return {CAIRO_PATH_LINE_TO, {x, y}};
}
Seg C(double a, double b, double c, double d, double x, double y)
{
    return {CAIRO_PATH_CURVE_TO, {a, b, c, d, x, y}};
}
Seg Z()
{
    return {CAIRO_PATH_CLOSE_PATH, {}};
}

struct ContextDeleter {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

Context make_context(int width = 160, int height = 100)
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    Context cr(cairo_create(surface));
    cairo_surface_destroy(surface);
    return cr;
}

std::vector<Seg> path_of(cairo_t *cr)
{
    cairo_path_t *path = cairo_copy_path(cr);
    EXPECT_EQ(path->status, CAIRO_STATUS_SUCCESS);
    std::vector<Seg> out;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t *d = &path->data[i];
        Seg s{d->header.type, {}};
        for (int p = 1; p < d->header.length; ++p) {
            s.xy.push_back(d[p].point.x);
            s.xy.push_back(d[p].point.y);
        }
        out.push_back(s);
    }
    cairo_path_destroy(path);
    return out;
}

TEST(RectangleRoundPath, WorkedExamplesAsCairoKeepsThem)
{
    struct Case {
        double radius;
        std::vector<Seg> expected;
    };
    // x0 10, y0 20, 100 x 40. cairo follows a close path with a move back
    // to the sub-path's start.
    const Case cases[] = {
        {10,
         {M(10, 30), C(10, 20, 10, 20, 20, 20), L(100, 20), C(110, 20, 110, 20, 110, 30),
          L(110, 50), C(110, 60, 110, 60, 100, 60), L(20, 60), C(10, 60, 10, 60, 10, 50), Z(),
          M(10, 30)}},
        {30,
         {M(10, 40), C(10, 20, 10, 20, 40, 20), L(80, 20), C(110, 20, 110, 20, 110, 40),
          C(110, 60, 110, 60, 80, 60), L(40, 60), C(10, 60, 10, 60, 10, 40), Z(), M(10, 40)}},
    };
    for (const Case &c : cases) {
        Context cr = make_context();
        cairo_rectangle_round(cr.get(), 10, 20, 100, 40, c.radius);
        EXPECT_EQ(path_of(cr.get()), c.expected) << "radius " << c.radius;
        EXPECT_EQ(cairo_status(cr.get()), CAIRO_STATUS_SUCCESS);
    }
}

TEST(RectangleRoundPath, AppendsASecondSubPathAfterExistingOnes)
{
    Context cr = make_context();
    cairo_move_to(cr.get(), 1, 2);
    cairo_line_to(cr.get(), 3, 5);
    cairo_rectangle_round(cr.get(), 0, 0, 8, 4, 100);
    // The rectangle's start (x0, ym) becomes the current point after its close.
    const std::vector<Seg> expected = {M(1, 2),
                                       L(3, 5),
                                       M(0, 2),
                                       C(0, 0, 0, 0, 4, 0),
                                       C(8, 0, 8, 0, 8, 2),
                                       C(8, 4, 8, 4, 4, 4),
                                       C(0, 4, 0, 4, 0, 2),
                                       Z(),
                                       M(0, 2)};
    EXPECT_EQ(path_of(cr.get()), expected);
}

TEST(RectangleRoundPath, ZeroSizeLeavesPathAndCurrentPointAlone)
{
    const double sizes[][2] = {{0.0, 10}, {-0.0, 10}, {10, 0.0}, {10, -0.0}};
    for (const auto &size : sizes) {
        // With a path and current point in place...
        Context cr = make_context();
        cairo_move_to(cr.get(), 7, 9);
        cairo_line_to(cr.get(), 12.5, 3.25);
        cairo_rectangle_round(cr.get(), 1, 1, size[0], size[1], 2);
        EXPECT_EQ(path_of(cr.get()), (std::vector<Seg>{M(7, 9), L(12.5, 3.25)}));
        double x = 0, y = 0;
        cairo_get_current_point(cr.get(), &x, &y);
        EXPECT_EQ(x, 12.5);
        EXPECT_EQ(y, 3.25);

        // ...and on an empty path, which must stay without a current point.
        Context empty = make_context();
        cairo_rectangle_round(empty.get(), 1, 1, size[0], size[1], 2);
        EXPECT_FALSE(cairo_has_current_point(empty.get()));
        EXPECT_TRUE(path_of(empty.get()).empty());
    }
}

TEST(RectangleRoundPath, FillCoversInsideAndLeavesCornersClear)
{
    // 10, 20, 100 x 40, radius 10 on a 120 x 80 surface. The corner curve
    // from (10, 30) to (20, 20) with both control points on (10, 20) passes
    // (11.25, 21.25) at its middle, so the pixel (10..11, 20..21) lies wholly
    // outside; the straight sides and the middle are wholly inside.
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 120, 80);
    cairo_t *cr = cairo_create(surface);
    cairo_rectangle_round(cr, 10, 20, 100, 40, 10);
    cairo_fill(cr);
    cairo_surface_flush(surface);
    const unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    auto alpha = [&](int x, int y) { return data[y * stride + x]; };

    EXPECT_EQ(alpha(10, 20), 0);    // top left corner
    EXPECT_EQ(alpha(109, 20), 0);   // top right corner
    EXPECT_EQ(alpha(109, 59), 0);   // bottom right corner
    EXPECT_EQ(alpha(10, 59), 0);    // bottom left corner
    EXPECT_EQ(alpha(60, 40), 255);  // middle
    EXPECT_EQ(alpha(60, 20), 255);  // along the top side
    EXPECT_EQ(alpha(10, 40), 255);  // along the left side, drawn by the close
    EXPECT_EQ(alpha(60, 19), 0);    // just outside the top
    EXPECT_EQ(alpha(110, 40), 0);   // just outside the right
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST(EdgelinePath, LaterLineContinuesFromTheEnd)
{
    Context cr = make_context();
    cairo_edgeline(cr.get(), 0, 0, 10, 10, 40);
    double x = 0, y = 0;
    cairo_get_current_point(cr.get(), &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 11);

    cairo_line_to(cr.get(), 30, 40);
    const std::vector<Seg> expected = {M(0, -1), C(0, 17, 10, -7, 10, 11), L(30, 40)};
    EXPECT_EQ(path_of(cr.get()), expected);
}

TEST(EdgelinePath, StartsItsOwnSubPath)
{
    Context cr = make_context();
    cairo_move_to(cr.get(), 50, 50);
    cairo_line_to(cr.get(), 60, 50);
    cairo_edgeline(cr.get(), 0, 0, 10, 10, 0);
    const std::vector<Seg> expected = {M(50, 50), L(60, 50), M(0, -1), C(0, 5, 10, 5, 10, 11)};
    EXPECT_EQ(path_of(cr.get()), expected);
}

TEST(ShapesPath, CoordinatesAreTakenInTheUserSpaceOfTheCall)
{
    // Built under a scale of 2, then read back under the identity: every
    // point doubled.
    Context cr = make_context();
    cairo_scale(cr.get(), 2, 2);
    cairo_edgeline(cr.get(), 0, 0, 10, 10, 0);
    cairo_identity_matrix(cr.get());
    const std::vector<Seg> expected = {M(0, -2), C(0, 10, 20, 10, 20, 22)};
    EXPECT_EQ(path_of(cr.get()), expected);
}

}  // namespace

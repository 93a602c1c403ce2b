// shapekit's paths as real cairo stores them, read back with cairo_copy_path.
// All coordinates are multiples of 1/256, so cairo's fixed-point grid keeps
// them exactly; curves and lines are chosen so that cairo keeps every segment.
#include "shapekit.h"

#include "image.h"
#include "path_copy.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using quillkit_test::close_path;
using quillkit_test::copy_path;
using quillkit_test::curve_to;
using quillkit_test::line_to;
using quillkit_test::move_to;
using quillkit_test::PathElement;

// A context on a small image, ready for path calls.
struct Context {
    quillkit_test::Canvas canvas{160, 100, false};
    cairo_t *get() const { return canvas.cr(); }
};

TEST(RectangleRoundPath, WorkedExamplesAsCairoKeepsThem)
{
    struct Case {
        double radius;
        std::vector<PathElement> expected;
    };
    // x0 10, y0 20, 100 x 40. cairo follows a close path with a move back
    // to the sub-path's start.
    const Case cases[] = {
        {10,
         {move_to(10, 30), curve_to(10, 20, 10, 20, 20, 20), line_to(100, 20),
          curve_to(110, 20, 110, 20, 110, 30), line_to(110, 50),
          curve_to(110, 60, 110, 60, 100, 60), line_to(20, 60), curve_to(10, 60, 10, 60, 10, 50),
          close_path(), move_to(10, 30)}},
        {30,
         {move_to(10, 40), curve_to(10, 20, 10, 20, 40, 20), line_to(80, 20),
          curve_to(110, 20, 110, 20, 110, 40), curve_to(110, 60, 110, 60, 80, 60), line_to(40, 60),
          curve_to(10, 60, 10, 60, 10, 40), close_path(), move_to(10, 40)}},
    };
    for (const Case &c : cases) {
        Context cr;
        cairo_rectangle_round(cr.get(), 10, 20, 100, 40, c.radius);
        EXPECT_EQ(copy_path(cr.get()), c.expected) << "radius " << c.radius;
        EXPECT_EQ(cairo_status(cr.get()), CAIRO_STATUS_SUCCESS);
    }
}

TEST(RectangleRoundPath, AppendsASecondSubPathAfterExistingOnes)
{
    Context cr;
    cairo_move_to(cr.get(), 1, 2);
    cairo_line_to(cr.get(), 3, 5);
    cairo_rectangle_round(cr.get(), 0, 0, 8, 4, 100);
    // The rectangle's start (x0, ym) becomes the current point after its close.
    const std::vector<PathElement> expected = {move_to(1, 2),
                                               line_to(3, 5),
                                               move_to(0, 2),
                                               curve_to(0, 0, 0, 0, 4, 0),
                                               curve_to(8, 0, 8, 0, 8, 2),
                                               curve_to(8, 4, 8, 4, 4, 4),
                                               curve_to(0, 4, 0, 4, 0, 2),
                                               close_path(),
                                               move_to(0, 2)};
    EXPECT_EQ(copy_path(cr.get()), expected);
}

TEST(RectangleRoundPath, ZeroSizeLeavesPathAndCurrentPointAlone)
{
    const double sizes[][2] = {{0.0, 10}, {-0.0, 10}, {10, 0.0}, {10, -0.0}};
    for (const auto &size : sizes) {
        // With a path and current point in place...
        Context cr;
        cairo_move_to(cr.get(), 7, 9);
        cairo_line_to(cr.get(), 12.5, 3.25);
        cairo_rectangle_round(cr.get(), 1, 1, size[0], size[1], 2);
        EXPECT_EQ(copy_path(cr.get()),
                  (std::vector<PathElement>{move_to(7, 9), line_to(12.5, 3.25)}));
        double x = 0, y = 0;
        cairo_get_current_point(cr.get(), &x, &y);
        EXPECT_EQ(x, 12.5);
        EXPECT_EQ(y, 3.25);

        // ...and on an empty path, which must stay without a current point.
        Context empty;
        cairo_rectangle_round(empty.get(), 1, 1, size[0], size[1], 2);
        EXPECT_FALSE(cairo_has_current_point(empty.get()));
        EXPECT_TRUE(copy_path(empty.get()).empty());
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
    Context cr;
    cairo_edgeline(cr.get(), 0, 0, 10, 10, 40);
    double x = 0, y = 0;
    cairo_get_current_point(cr.get(), &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 11);

    cairo_line_to(cr.get(), 30, 40);
    const std::vector<PathElement> expected = {move_to(0, -1), curve_to(0, 17, 10, -7, 10, 11),
                                               line_to(30, 40)};
    EXPECT_EQ(copy_path(cr.get()), expected);
}

TEST(EdgelinePath, StartsItsOwnSubPath)
{
    Context cr;
    cairo_move_to(cr.get(), 50, 50);
    cairo_line_to(cr.get(), 60, 50);
    cairo_edgeline(cr.get(), 0, 0, 10, 10, 0);
    const std::vector<PathElement> expected = {move_to(50, 50), line_to(60, 50), move_to(0, -1),
                                               curve_to(0, 5, 10, 5, 10, 11)};
    EXPECT_EQ(copy_path(cr.get()), expected);
}

TEST(ShapesPath, CoordinatesAreTakenInTheUserSpaceOfTheCall)
{
    // Built under a scale of 2, then read back under the identity: every
    // point doubled.
    Context cr;
    cairo_scale(cr.get(), 2, 2);
    cairo_edgeline(cr.get(), 0, 0, 10, 10, 0);
    cairo_identity_matrix(cr.get());
    const std::vector<PathElement> expected = {move_to(0, -2), curve_to(0, 10, 20, 10, 20, 22)};
    EXPECT_EQ(copy_path(cr.get()), expected);
}

}  // namespace

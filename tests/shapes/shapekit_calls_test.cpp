// The exact cairo calls of cairo_rectangle_round and cairo_edgeline, recorded
// by stand-ins for cairo's path functions (no real cairo in this binary).
#include "path_recorder.h"
#include "shapekit.h"

#include <cmath>
#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

using namespace quillkit_test;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Any distinct non-null pointer will do: the stand-ins never look inside.
cairo_t *fake_context()
{
    static int token;
    return reinterpret_cast<cairo_t *>(&token);
}

// A rounded corner: both control points on the corner (cx, cy).
PathCall corner(double cx, double cy, double x, double y)
{
    return curve(cx, cy, cx, cy, x, y);
}

struct RectCase {
    std::string name;
    double x0, y0, width, height, radius;
    std::vector<PathCall> expected;
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const RectCase &c, std::ostream *os)
{
    *os << c.name;
}

class RectangleRound : public ::testing::TestWithParam<RectCase> {};

TEST_P(RectangleRound, MakesExactlyTheseCalls)
{
    const RectCase &c = GetParam();
    PathRecording rec(fake_context());
    cairo_rectangle_round(fake_context(), c.x0, c.y0, c.width, c.height, c.radius);
    EXPECT_EQ(rec.calls(), c.expected);
    EXPECT_EQ(rec.foreign_calls(), 0);
}

// Corners come in the order (x0, y0), (x1, y0), (x1, y1), (x0, y1).
const RectCase kRectCases[] = {
    // x0 10, y0 20, 100 x 40: x1 110, y1 60, xm 60, ym 40.
    {"WorkedRadius10AllSidesStraight",
     10,
     20,
     100,
     40,
     10,
     {move(10, 30), curve(10, 20, 10, 20, 20, 20), line(100, 20), curve(110, 20, 110, 20, 110, 30),
      line(110, 50), curve(110, 60, 110, 60, 100, 60), line(20, 60), curve(10, 60, 10, 60, 10, 50),
      close()}},
    {"WorkedRadius30LeftRightMeet",
     10,
     20,
     100,
     40,
     30,
     {move(10, 40), curve(10, 20, 10, 20, 40, 20), line(80, 20), curve(110, 20, 110, 20, 110, 40),
      curve(110, 60, 110, 60, 80, 60), line(40, 60), curve(10, 60, 10, 60, 10, 40), close()}},
    // Radius above both halves: four curves through the side middles.
    // x0 -30, y0 5, 20 x 10: x1 -10, y1 15, xm -20, ym 10.
    {"RadiusAboveBothHalves",
     -30,
     5,
     20,
     10,
     50,
     {move(-30, 10), corner(-30, 5, -20, 5), corner(-10, 5, -10, 10), corner(-10, 15, -20, 15),
      corner(-30, 15, -30, 10), close()}},
    // Radius above half the width only: top and bottom corners meet at xm.
    // x0 100, y0 -50, 20 x 40: x1 120, y1 -10, xm 110.
    {"RadiusAboveHalfWidthOnly",
     100,
     -50,
     20,
     40,
     15,
     {move(100, -35), corner(100, -50, 110, -50), corner(120, -50, 120, -35), line(120, -25),
      corner(120, -10, 110, -10), corner(100, -10, 100, -25), close()}},
    // Exactly half the width is not above it: straight top and bottom of
    // length zero.
    {"RadiusExactlyHalfWidth",
     0,
     0,
     20,
     40,
     10,
     {move(0, 10), corner(0, 0, 10, 0), line(10, 0), corner(20, 0, 20, 10), line(20, 30),
      corner(20, 40, 10, 40), line(10, 40), corner(0, 40, 0, 30), close()}},
    {"RadiusExactlyHalfHeight",
     0,
     0,
     40,
     20,
     10,
     {move(0, 10), corner(0, 0, 10, 0), line(30, 0), corner(40, 0, 40, 10), line(40, 10),
      corner(40, 20, 30, 20), line(10, 20), corner(0, 20, 0, 10), close()}},
    {"RadiusExactlyHalfOfASquare",
     0,
     0,
     20,
     20,
     10,
     {move(0, 10), corner(0, 0, 10, 0), line(10, 0), corner(20, 0, 20, 10), line(20, 10),
      corner(20, 20, 10, 20), line(10, 20), corner(0, 20, 0, 10), close()}},
    // Radius 0: every corner curve collapses onto its corner.
    {"RadiusZero",
     5,
     5,
     20,
     10,
     0,
     {move(5, 5), corner(5, 5, 5, 5), line(25, 5), corner(25, 5, 25, 5), line(25, 15),
      corner(25, 15, 25, 15), line(5, 15), corner(5, 15, 5, 15), close()}},
    // Negative width: half of it is negative, so the top and bottom corners
    // meet; x1 -10 lies left of x0 and the outline runs the other way round.
    {"NegativeWidth",
     10,
     0,
     -20,
     40,
     5,
     {move(10, 5), corner(10, 0, 0, 0), corner(-10, 0, -10, 5), line(-10, 35),
      corner(-10, 40, 0, 40), corner(10, 40, 10, 35), close()}},
    // Negative height: y1 -20, ym -10.
    {"NegativeHeight",
     0,
     0,
     40,
     -20,
     5,
     {move(0, -10), corner(0, 0, 5, 0), line(35, 0), corner(40, 0, 40, -10),
      corner(40, -20, 35, -20), line(5, -20), corner(0, -20, 0, -10), close()}},
    {"NegativeWidthAndHeight",
     0,
     0,
     -20,
     -10,
     0,
     {move(0, -5), corner(0, 0, -10, 0), corner(-20, 0, -20, -5), corner(-20, -10, -10, -10),
      corner(0, -10, 0, -5), close()}},
    // The middles are the average of the two edges, not the first edge plus
    // half the size: 1 + 2^53 rounds to 2^53, so xm is 2^52, not 2^52 + 1.
    {"MiddleFromRoundedFarEdge",
     1,
     0,
     std::ldexp(1.0, 53),
     std::ldexp(1.0, 53),
     std::ldexp(1.0, 60),
     {move(1, std::ldexp(1.0, 52)), corner(1, 0, std::ldexp(1.0, 52), 0),
      corner(std::ldexp(1.0, 53), 0, std::ldexp(1.0, 53), std::ldexp(1.0, 52)),
      corner(std::ldexp(1.0, 53), std::ldexp(1.0, 53), std::ldexp(1.0, 52), std::ldexp(1.0, 53)),
      corner(1, std::ldexp(1.0, 53), 1, std::ldexp(1.0, 52)), close()}},
    // NaN is not zero, and both strict tests are false for it: the shape with
    // four straight parts, carrying the NaN wherever x1 or the radius goes.
    {"NaNWidthIsDrawn",
     0,
     0,
     kNaN,
     10,
     2,
     {move(0, 2), corner(0, 0, 2, 0), line(kNaN, 0), corner(kNaN, 0, kNaN, 2), line(kNaN, 8),
      corner(kNaN, 10, kNaN, 10), line(2, 10), corner(0, 10, 0, 8), close()}},
    {"NaNRadiusTakesStraightSides",
     0,
     0,
     20,
     10,
     kNaN,
     {move(0, kNaN), corner(0, 0, kNaN, 0), line(kNaN, 0), corner(20, 0, 20, kNaN), line(20, kNaN),
      corner(20, 10, kNaN, 10), line(kNaN, 10), corner(0, 10, 0, kNaN), close()}},
};

INSTANTIATE_TEST_SUITE_P(Cases, RectangleRound, ::testing::ValuesIn(kRectCases),
                         [](const auto &p) { return p.param.name; });

struct ZeroCase {
    std::string name;
    double width, height;
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const ZeroCase &c, std::ostream *os)
{
    *os << c.name;
}

class RectangleRoundZero : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(RectangleRoundZero, AddsNothing)
{
    const ZeroCase &c = GetParam();
    for (const double radius : {0.0, 3.0, 1e9, kNaN}) {
        PathRecording rec(fake_context());
        cairo_rectangle_round(fake_context(), 4, 7, c.width, c.height, radius);
        EXPECT_TRUE(rec.calls().empty()) << "radius " << radius;
    }
}

const ZeroCase kZeroCases[] = {
    {"ZeroWidth", 0.0, 10},  {"NegativeZeroWidth", -0.0, 10},
    {"ZeroHeight", 10, 0.0}, {"NegativeZeroHeight", 10, -0.0},
    {"BothZero", 0.0, -0.0}, {"ZeroWidthNaNHeight", 0.0, kNaN},
};

INSTANTIATE_TEST_SUITE_P(Cases, RectangleRoundZero, ::testing::ValuesIn(kZeroCases),
                         [](const auto &p) { return p.param.name; });

struct EdgeCase {
    std::string name;
    double x0, y0, x1, y1, bend;
    std::vector<PathCall> expected;
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const EdgeCase &c, std::ostream *os)
{
    *os << c.name;
}

class Edgeline : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(Edgeline, MakesExactlyTheseCalls)
{
    const EdgeCase &c = GetParam();
    PathRecording rec(fake_context());
    cairo_edgeline(fake_context(), c.x0, c.y0, c.x1, c.y1, c.bend);
    EXPECT_EQ(rec.calls(), c.expected);
    EXPECT_EQ(rec.foreign_calls(), 0);
}

// Every case: a move to (x0, y0 - 1) and one curve ending at (x1, y1 + 1), no
// close.
const EdgeCase kEdgeCases[] = {
    // (0, 0) to (10, 10): ys -1, ye 11, middle 5.
    {"WorkedBend0", 0, 0, 10, 10, 0, {move(0, -1), curve(0, 5, 10, 5, 10, 11)}},
    // 11 > 19 fails: f = 10 + (19 - 11) = 18.
    {"WorkedBend40", 0, 0, 10, 10, 40, {move(0, -1), curve(0, 17, 10, -7, 10, 11)}},
    // (0, 0) to (10, 8): ys -1, ye 9, ye - ys = 10, middle 4.
    // Bend 20 puts ye exactly on the threshold: the second shape with
    // f = 5 gives the first shape's control points.
    {"AtThresholdBothShapesMeet", 0, 0, 10, 8, 20, {move(0, -1), curve(0, 4, 10, 4, 10, 9)}},
    {"JustBelowThreshold", 0, 0, 10, 8, 19.5, {move(0, -1), curve(0, 4, 10, 4, 10, 9)}},
    // 9 > 9.25 fails: f = 5.125 + (9.25 - 9) = 5.375.
    {"JustAboveThreshold", 0, 0, 10, 8, 20.5, {move(0, -1), curve(0, 4.375, 10, 3.625, 10, 9)}},
    // End above the start: ys 9, ye 5; f = 4 + (17 - 5) = 16, so the control
    // points swing out beyond both ends.
    {"EndAboveStart", 2, 10, -6, 4, 16, {move(2, 9), curve(2, 25, -6, -11, -6, 5)}},
    // Level ends, no bend: ye - ys = 2 > 0, the middle shape at y 0.
    {"LevelEndsNoBend", 3, 0, 7, 0, 0, {move(3, -1), curve(3, 0, 7, 0, 7, 1)}},
    // Negative bend: ys -1, ye -9; -9 > -5 fails, f = -2 + (-5 + 9) = 2.
    {"NegativeBend", 0, 0, 10, -10, -8, {move(0, -1), curve(0, 1, 10, -11, 10, -9)}},
    // NaN fails the strict test and spreads through f.
    {"NaNBend", 0, 0, 10, 10, kNaN, {move(0, -1), curve(0, kNaN, 10, kNaN, 10, 11)}},
    // Order of operations, with bend 2^54, ys -1.5, ye 0.75 (ulp 1 just
    // below 2^53, ulp 2 above it):
    //   bend / 2 + ys = 2^53 - 1.5 -> 2^53 - 2 (tie to even)
    //   ... - ye      = 2^53 - 2.75 -> 2^53 - 3
    //   f = 2^52 + (2^53 - 3) = 3 * 2^52 - 3 -> 3 * 2^52 - 4 (tie to even)
    //   ys + f = 3 * 2^52 - 5.5 -> 3 * 2^52 - 6;  ye - f = -(3 * 2^52 - 4.75) -> -(3 * 2^52 - 4)
    // Grouping the same terms any other way ends elsewhere.
    {"OrderOfOperations",
     0,
     -0.5,
     1,
     -0.25,
     std::ldexp(1.0, 54),
     {move(0, -1.5), curve(0, std::ldexp(3.0, 52) - 6, 1, -(std::ldexp(3.0, 52) - 4), 1, 0.75)}},
};

INSTANTIATE_TEST_SUITE_P(Cases, Edgeline, ::testing::ValuesIn(kEdgeCases),
                         [](const auto &p) { return p.param.name; });

TEST(EdgelineThreshold, ShapesAgreeOnBothSidesOfTheThreshold)
{
    // Moving the end across the threshold in small steps moves the control
    // points by no more than a few steps: the two shapes join without a jump.
    // (0, 0) to (10, y1) with bend 20: the threshold is at y1 8.
    double last_c1y = 0;
    bool first = true;
    for (int i = -8; i <= 8; ++i) {
        const double y1 = 8 + i / 64.0;
        PathRecording rec(fake_context());
        cairo_edgeline(fake_context(), 0, 0, 10, y1, 20);
        ASSERT_EQ(rec.calls().size(), 2u);
        const double c1y = rec.calls()[1].v[1];
        if (!first) {
            EXPECT_LE(std::fabs(c1y - last_c1y), 2 / 64.0) << "at y1 " << y1;
        }
        last_c1y = c1y;
        first = false;
    }
}

}  // namespace

// rect_test.cpp - rectangles of whole pixels: unions, intersections, bounds
// and unions of many as rectangles that do not overlap.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "rect.h"

namespace {

using qxclock::Damage;
using qxclock::Rect;

std::string text(const Rect &r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

struct PairCase {
    const char *name;
    Rect a, b;
    const char *united;
    const char *common;  // the intersection; "0,0 0x0" when none
};

void PrintTo(const PairCase &c, std::ostream *os)
{
    *os << c.name;
}

class RectPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(RectPairTest, UniteAndIntersect)
{
    const PairCase &c = GetParam();
    EXPECT_EQ(text(qxclock::unite(c.a, c.b)), c.united);
    EXPECT_EQ(text(qxclock::unite(c.b, c.a)), c.united);
    EXPECT_EQ(text(qxclock::intersect(c.a, c.b)), c.common);
    EXPECT_EQ(text(qxclock::intersect(c.b, c.a)), c.common);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, RectPairTest,
    ::testing::Values(
        PairCase{"Overlapping", {0, 0, 10, 10}, {5, 6, 10, 10}, "0,0 15x16", "5,6 5x4"},
        PairCase{"Apart", {0, 0, 2, 2}, {10, 20, 3, 4}, "0,0 13x24", "0,0 0x0"},
        // Sharing an edge is no intersection.
        PairCase{"Touching", {0, 0, 4, 4}, {4, 0, 4, 4}, "0,0 8x4", "0,0 0x0"},
        PairCase{"Inside", {-5, -5, 20, 20}, {1, 2, 3, 4}, "-5,-5 20x20", "1,2 3x4"},
        // An empty rectangle adds nothing, wherever it is.
        PairCase{"Empty", {3, 4, 5, 6}, {100, 100, 0, 7}, "3,4 5x6", "0,0 0x0"}),
    [](const ::testing::TestParamInfo<PairCase> &param_info) {
        return std::string(param_info.param.name);
    });

TEST(PixelBoundsTest, RoundsOutwardsAndWidens)
{
    EXPECT_EQ(text(qxclock::pixel_bounds(1.5, 2.0, 3.2, 4.0, 0)), "1,2 3x2");
    EXPECT_EQ(text(qxclock::pixel_bounds(-0.5, -1.5, 0.5, 0.5, 1)), "-2,-3 4x5");
}

TEST(AreaTest, CountsEveryRectangle)
{
    EXPECT_EQ(qxclock::area_of({}), 0);
    EXPECT_EQ(qxclock::area_of({{0, 0, 3, 4}, {10, 10, 5, 1}}), 17);
}

// Unions, each with the number of rectangles it makes: in bands, a band
// that goes on as the one above joined with it.
struct UnionCase {
    const char *name;
    Damage added;
    size_t rectangles;
};

const UnionCase kUnions[] = {
    {"Overlapping",
     {{0, 0, 10, 10}, {5, 5, 10, 10}, {2, 2, 3, 3}, {20, 0, 0, 5}, {30, 30, 2, 2}},
     4},
    {"StackedOfOneWidth", {{3, 0, 4, 2}, {3, 2, 4, 5}, {3, 7, 4, 1}}, 1},
    {"SideBySide", {{0, 0, 2, 3}, {2, 0, 5, 3}}, 1},
    {"Apart", {{0, 0, 2, 2}, {5, 0, 2, 2}, {0, 9, 1, 1}}, 3},
    {"OneInsideAnother", {{1, 1, 2, 2}, {0, 0, 6, 6}}, 1},
    {"EmptyOnly", {{4, 4, 0, 3}}, 0},
};

// Every pixel is covered by the union once if one of the rectangles added
// covers it, else not at all. One union serves all cases, cleared between
// them, as a frame's union is from frame to frame.
TEST(RectUnionTest, CoversEachPixelOnce)
{
    qxclock::RectUnion all;
    for (const UnionCase &c : kUnions) {
        all.clear();
        all.add(c.added.front());
        all.add(Damage(c.added.begin() + 1, c.added.end()));
        const Damage &got = all.rectangles();
        for (int y = -1; y < 35; ++y)
            for (int x = -1; x < 35; ++x) {
                int wanted = 0, covered = 0;
                for (const Rect &r : c.added)
                    wanted =
                        wanted || (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height);
                for (const Rect &r : got)
                    covered += x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
                ASSERT_EQ(covered, wanted) << c.name << " at " << x << "," << y;
            }
        EXPECT_EQ(got.size(), c.rectangles) << c.name;
    }
    all.clear();
    EXPECT_TRUE(all.rectangles().empty());
}

}  // namespace

// Every exported clock drawer hands the context back as it found it: matrix,
// source, line width, stroke style, fill rule and the path in progress (with
// or without a current point). A size that cannot be drawn draws nothing,
// promptly, and leaves the context usable; a context already in an error
// state is left alone.
#include "qxdraw.h"

#include "image.h"
#include "path_copy.h"
#include "process.h"

#include <gtest/gtest.h>

#include <sys/time.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <malloc.h>
#include <ostream>
#include <string>
#include <vector>

using namespace quillkit_test;

namespace {

void hands(cairo_t *cr, double w, double h)
{
    setenv("TZ", "UTC", 1);
    tzset();
    timeval tv{};
    tv.tv_sec = 10 * 3600 + 30 * 60 + 45;
    tv.tv_usec = 500000;
    qxhand_draw(cr, w, h, &tv, 1);
}
void hands_now(cairo_t *cr, double w, double h)
{
    qxhand_draw_now(cr, w, h, 1);
}
void face(cairo_t *cr, double w, double h)
{
    qxface_draw(cr, w, h);
}
void logo(cairo_t *cr, double w, double h)
{
    qxlogo_draw(cr, w, h);
}
void windows(cairo_t *cr, double, double)
{
    draw_windows(cr);
}

struct Drawer {
    const char *name;
    void (*draw)(cairo_t *, double, double);
};
void PrintTo(const Drawer &c, std::ostream *os)
{
    *os << c.name;
}
const Drawer kDrawers[] = {
    {"hands", hands}, {"hands_now", hands_now}, {"face", face},
    {"logo", logo},   {"windows", windows},
};
// The drawers that take a size.
const auto kSizedDrawers = ::testing::Values(kDrawers[0], kDrawers[1], kDrawers[2], kDrawers[3]);

// Everything of the caller's that a drawer might touch, read back.
struct CallerState {
    cairo_matrix_t matrix;
    cairo_pattern_t *source;
    double line_width, miter_limit, tolerance, dash_offset;
    std::vector<double> dash;
    cairo_line_cap_t cap;
    cairo_line_join_t join;
    cairo_fill_rule_t fill_rule;
    cairo_operator_t op;
    cairo_antialias_t antialias;
    std::vector<PathElement> path;

    explicit CallerState(cairo_t *cr)
    {
        cairo_get_matrix(cr, &matrix);
        source = cairo_get_source(cr);
        line_width = cairo_get_line_width(cr);
        miter_limit = cairo_get_miter_limit(cr);
        tolerance = cairo_get_tolerance(cr);
        dash.resize(static_cast<std::size_t>(cairo_get_dash_count(cr)));
        cairo_get_dash(cr, dash.data(), &dash_offset);
        cap = cairo_get_line_cap(cr);
        join = cairo_get_line_join(cr);
        fill_rule = cairo_get_fill_rule(cr);
        op = cairo_get_operator(cr);
        antialias = cairo_get_antialias(cr);
        path = copy_path(cr);
    }

    // What differs from `before`; empty when nothing does.
    std::string differences(const CallerState &before) const
    {
        std::string out;
        auto check = [&out](bool same, const char *what) {
            if (!same)
                out += std::string(what) + " ";
        };
        const cairo_matrix_t &m = before.matrix;
        check(matrix.xx == m.xx && matrix.yx == m.yx && matrix.xy == m.xy && matrix.yy == m.yy &&
                  matrix.x0 == m.x0 && matrix.y0 == m.y0,
              "matrix");
        check(source == before.source, "source");
        check(line_width == before.line_width, "line-width");
        check(miter_limit == before.miter_limit, "miter-limit");
        check(tolerance == before.tolerance, "tolerance");
        check(dash == before.dash && dash_offset == before.dash_offset, "dash");
        check(cap == before.cap && join == before.join, "cap-or-join");
        check(fill_rule == before.fill_rule, "fill-rule");
        check(op == before.op && antialias == before.antialias, "operator-or-antialias");
        check(paths_near(path, before.path, 1e-9), "path");
        return out;
    }
};

// A caller with a state of its own in every respect: a matrix, a translucent
// source, a line width, a dash with round caps and bevel joins, the even-odd
// rule, and a path in progress to the right of the clock's rectangle (device
// x from about 119).
void set_caller_state(cairo_t *cr)
{
    cairo_translate(cr, 2, 3);
    cairo_scale(cr, 0.9, 0.95);
    cairo_set_source_rgba(cr, 0.9, 0.2, 0.1, 0.7);
    cairo_set_line_width(cr, 3.25);
    const double dashes[] = {4, 2};
    cairo_set_dash(cr, dashes, 2, 1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
    cairo_set_miter_limit(cr, 3);
    cairo_set_tolerance(cr, 0.2);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
    cairo_rectangle(cr, 130, 20, 40, 40);
    cairo_move_to(cr, 140, 80);
    cairo_line_to(cr, 180, 95);
}

class StateRestored : public ::testing::TestWithParam<Drawer> {};

TEST_P(StateRestored, AfterTheCall)
{
    Canvas c(200, 110);
    set_caller_state(c.cr());
    const CallerState before(c.cr());

    GetParam().draw(c.cr(), 100, 100);

    ASSERT_EQ(cairo_status(c.cr()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(CallerState(c.cr()).differences(before), "");
    // The drawer painted nothing of the caller's path...
    for (int y = 0; y < c.height(); y++)
        for (int x = 110; x < c.width(); x++)
            ASSERT_TRUE(is_white(c.at(x, y))) << "painted at " << x << "," << y;
    // ...and the caller can still fill it where it was.
    cairo_fill(c.cr());
    EXPECT_FALSE(is_white(c.at(140, 40)));
    EXPECT_TRUE(is_white(c.at(180, 40)));
}

// A caller that ended its path with cairo_new_sub_path gets no current point
// back: its next arc starts a sub-path of its own instead of being joined to
// the old end by a line.
TEST_P(StateRestored, WithoutACurrentPointAfterNewSubPath)
{
    Canvas c(200, 110);
    cairo_move_to(c.cr(), 150, 10);
    cairo_line_to(c.cr(), 190, 10);
    cairo_new_sub_path(c.cr());

    GetParam().draw(c.cr(), 100, 100);

    EXPECT_FALSE(cairo_has_current_point(c.cr()));
    cairo_arc(c.cr(), 150, 60, 20, 0, 1);
    const std::vector<PathElement> path = copy_path(c.cr());
    ASSERT_GE(path.size(), 3u);
    EXPECT_EQ(path[2].type, CAIRO_PATH_MOVE_TO) << "the arc was joined to the old path";
}

INSTANTIATE_TEST_SUITE_P(Drawers, StateRestored, ::testing::ValuesIn(kDrawers),
                         [](const auto &param) { return std::string(param.param.name); });

// The caller's dash, caps and joins do not reach the clock's own strokes.
TEST(StrokeStyle, ACallersDashedRoundStrokesLeaveTheClockAsItIs)
{
    for (const Drawer &d : kDrawers) {
        if (d.draw == hands_now)
            continue;  // two calls, two instants
        Canvas plain(160, 140), styled(160, 140);
        cairo_set_line_width(styled.cr(), cairo_get_line_width(plain.cr()));
        const double dashes[] = {0.5, 3};
        cairo_set_dash(styled.cr(), dashes, 2, 0.25);
        cairo_set_line_cap(styled.cr(), CAIRO_LINE_CAP_SQUARE);
        cairo_set_line_join(styled.cr(), CAIRO_LINE_JOIN_ROUND);
        cairo_set_miter_limit(styled.cr(), 1);
        d.draw(plain.cr(), 160, 140);
        d.draw(styled.cr(), 160, 140);
        EXPECT_EQ(max_difference(plain.surface(), styled.surface()), 0) << d.name;
    }
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Whether anything lands on the 64 x 64 image.
enum class Paints { kYes, kNo, kUnchecked };

struct SizeCase {
    const char *name;
    double width, height;
    double caller_turn;  // radians the caller's space is turned by
    Paints paints;
};
void PrintTo(const SizeCase &c, std::ostream *os)
{
    *os << c.name;
}

// Sizes whose drawing cairo cannot make: non-finite, zero, beyond its 24.8
// fixed-point device coordinates, vanishingly small, or squashed a hundred
// orders of magnitude against a turned space (the logo keeps its aspect
// ratio, so it is not squashed and may draw there). A size that draws shows
// that the check sees a drawing.
const SizeCase kSizes[] = {
    {"fits", 64, 64, 0, Paints::kYes},
    {"mirrored", -64, 64, 0, Paints::kNo},  // off to the left of the image
    {"zero_width", 0, 64, 0, Paints::kNo},
    {"negative_zero_height", 64, -0.0, 0, Paints::kNo},
    {"nan_width", kNaN, 64, 0, Paints::kNo},
    {"infinite_height", 64, kInf, 0, Paints::kNo},
    {"huge", 1e160, 1e160, 0, Paints::kNo},
    {"beyond_fixed_point", 1e20, 1e20, 0, Paints::kNo},
    {"far_beyond_fixed_point", 1e50, 1e50, 0, Paints::kNo},
    {"largest_double", DBL_MAX, DBL_MAX, 0, Paints::kNo},
    {"negative_huge", -1e160, 1e160, 0, Paints::kNo},
    {"tiny", 1e-160, 1e-160, 0, Paints::kNo},
    {"smallest_double", 4.9e-324, 1, 0, Paints::kNo},
    {"huge_by_tiny", 1e100, 1e-160, 0, Paints::kNo},
    {"extreme_aspect", 1e308, 1e-308, 0, Paints::kNo},
    {"squashed_in_turned_space", -1, 1e-100, 0.3, Paints::kUnchecked},
    {"squashed_in_turned_space_at_size", 64, 1e-20, 0.3, Paints::kUnchecked},
};

class ExtremeSize : public ::testing::TestWithParam<std::tuple<Drawer, SizeCase>> {};

// Each call runs in a child process with a time limit, so a call that hangs
// or crashes fails this case alone.
TEST_P(ExtremeSize, ReturnsPromptlyWithTheContextSound)
{
    const auto &[d, size] = GetParam();
    enum Outcome { kSound, kInError, kStateChanged, kPaintedWrongly };
    const int outcome = run_forked(
        [&, d = d, size = size] {
            Canvas c(64, 64);
            cairo_rotate(c.cr(), size.caller_turn);
            cairo_set_line_width(c.cr(), 1.5);
            const CallerState before(c.cr());
            d.draw(c.cr(), size.width, size.height);
            if (cairo_status(c.cr()) != CAIRO_STATUS_SUCCESS)
                return kInError;
            if (!CallerState(c.cr()).differences(before).empty())
                return kStateChanged;
            bool painted = false;
            for (int y = 0; y < 64; y++)
                for (int x = 0; x < 64; x++)
                    painted = painted || !is_white(c.at(x, y));
            if (size.paints != Paints::kUnchecked && painted != (size.paints == Paints::kYes))
                return kPaintedWrongly;
            return kSound;
        },
        20000);
    EXPECT_NE(outcome, -1) << "did not return within 20 s";
    EXPECT_NE(outcome, kInError) << "left the context in an error state";
    EXPECT_NE(outcome, kStateChanged) << "did not restore the caller's state";
    EXPECT_NE(outcome, kPaintedWrongly)
        << (size.paints == Paints::kYes ? "drew nothing" : "drew something");
    EXPECT_GE(outcome, 0) << "died of signal " << -outcome;
}

INSTANTIATE_TEST_SUITE_P(Sizes, ExtremeSize,
                         ::testing::Combine(kSizedDrawers, ::testing::ValuesIn(kSizes)),
                         [](const auto &param) {
                             return std::string(std::get<0>(param.param).name) + "_" +
                                    std::get<1>(param.param).name;
                         });

// The heap in use, where the allocator can tell (not under AddressSanitizer,
// which has its own leak check at exit).
bool heap_in_use(std::size_t &bytes)
{
#if defined(__SANITIZE_ADDRESS__)
    (void)bytes;
    return false;
#else
    bytes = mallinfo2().uordblks;
    return true;
#endif
}

// Like cairo's own calls, the drawers do nothing on a context in an error
// state: it keeps its error, and repeated calls take no memory.
TEST(ErrorState, CallsOnAContextInErrorDoNothing)
{
    for (const Drawer &d : kDrawers) {
        Canvas c(16, 16);
        cairo_scale(c.cr(), 0, 0);
        ASSERT_EQ(cairo_status(c.cr()), CAIRO_STATUS_INVALID_MATRIX);
        d.draw(c.cr(), 16, 16);  // anything allocated once is not a leak
        std::size_t before = 0, after = 0;
        const bool measured = heap_in_use(before);
        for (int i = 0; i < 2000; i++)
            d.draw(c.cr(), 16, 16);
        EXPECT_EQ(cairo_status(c.cr()), CAIRO_STATUS_INVALID_MATRIX) << d.name;
        if (measured && heap_in_use(after)) {
            EXPECT_LT(after, before + 4096) << d.name << ": the heap grew by " << after - before;
        }
    }
}

}  // namespace

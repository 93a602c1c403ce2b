// Every exported clock drawer hands the context back as it found it: matrix,
// source, line width, fill rule and the path in progress. The caller's path is
// not painted by the drawer and is still there, in the same place, afterwards.
// A rectangle that would make the matrix singular or non-finite draws nothing
// and leaves the context usable.
#include "qxdraw.h"

#include "image.h"

#include <gtest/gtest.h>

#include <ostream>

#include <sys/time.h>

#include <cmath>
#include <limits>
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

struct drawer {
    const char *name;
    void (*draw)(cairo_t *, double, double);
};
// Test names carry the case name; keep gtest from dumping the bytes too.
void PrintTo(const drawer &c, std::ostream *os)
{
    *os << c.name;
}
const drawer kDrawers[] = {
    {"hands", hands}, {"hands_now", hands_now}, {"face", face},
    {"logo", logo},   {"windows", windows},
};

struct path_copy {
    std::vector<cairo_path_data_type_t> types;
    std::vector<double> coords;
};

path_copy copy_path(cairo_t *cr)
{
    path_copy out;
    cairo_path_t *p = cairo_copy_path(cr);
    for (int i = 0; i < p->num_data; i += p->data[i].header.length) {
        out.types.push_back(p->data[i].header.type);
        for (int j = 1; j < p->data[i].header.length; j++) {
            out.coords.push_back(p->data[i + j].point.x);
            out.coords.push_back(p->data[i + j].point.y);
        }
    }
    cairo_path_destroy(p);
    return out;
}

enum class source_kind { translucent_colour, gradient };

class StateRestored : public ::testing::TestWithParam<std::tuple<drawer, source_kind>> {};

TEST_P(StateRestored, AfterTheCall)
{
    const auto &[d, kind] = GetParam();
    Canvas c(200, 110);
    cairo_t *cr = c.cr();

    // The caller's state: a matrix of its own, a source, a line width, the
    // even-odd rule, and a path in progress to the right of the clock's
    // rectangle (device x from about 119).
    cairo_translate(cr, 2, 3);
    cairo_scale(cr, 0.9, 0.95);
    cairo_pattern_t *source;
    if (kind == source_kind::gradient) {
        source = cairo_pattern_create_linear(0, 0, 200, 0);
        cairo_pattern_add_color_stop_rgb(source, 0, 1, 0, 0);
        cairo_pattern_add_color_stop_rgb(source, 1, 0, 0, 1);
    } else {
        source = cairo_pattern_create_rgba(0.9, 0.2, 0.1, 0.7);
    }
    cairo_set_source(cr, source);
    cairo_set_line_width(cr, 3.25);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr, 130, 20, 40, 40);
    cairo_move_to(cr, 140, 80);
    cairo_line_to(cr, 180, 95);

    cairo_matrix_t matrix_before;
    cairo_get_matrix(cr, &matrix_before);
    const path_copy path_before = copy_path(cr);
    double cx0, cy0;
    cairo_get_current_point(cr, &cx0, &cy0);

    d.draw(cr, 100, 100);

    ASSERT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    cairo_matrix_t matrix_after;
    cairo_get_matrix(cr, &matrix_after);
    EXPECT_EQ(matrix_after.xx, matrix_before.xx);
    EXPECT_EQ(matrix_after.yx, matrix_before.yx);
    EXPECT_EQ(matrix_after.xy, matrix_before.xy);
    EXPECT_EQ(matrix_after.yy, matrix_before.yy);
    EXPECT_EQ(matrix_after.x0, matrix_before.x0);
    EXPECT_EQ(matrix_after.y0, matrix_before.y0);
    EXPECT_EQ(cairo_get_source(cr), source);
    EXPECT_EQ(cairo_get_line_width(cr), 3.25);
    EXPECT_EQ(cairo_get_fill_rule(cr), CAIRO_FILL_RULE_EVEN_ODD);

    const path_copy path_after = copy_path(cr);
    EXPECT_EQ(path_after.types, path_before.types);
    ASSERT_EQ(path_after.coords.size(), path_before.coords.size());
    for (size_t i = 0; i < path_before.coords.size(); i++)
        EXPECT_NEAR(path_after.coords[i], path_before.coords[i], 1e-9) << "coordinate " << i;
    double cx1, cy1;
    cairo_get_current_point(cr, &cx1, &cy1);
    EXPECT_NEAR(cx1, cx0, 1e-9);
    EXPECT_NEAR(cy1, cy0, 1e-9);

    // The drawer painted nothing of the caller's path...
    for (int y = 0; y < c.height(); y++)
        for (int x = 110; x < c.width(); x++)
            ASSERT_TRUE(is_white(argb_at(c.surface(), x, y))) << "painted at " << x << "," << y;
    // ...and the caller can still fill it where it was.
    cairo_fill(cr);
    EXPECT_FALSE(is_white(argb_at(c.surface(), 140, 40)));
    EXPECT_TRUE(is_white(argb_at(c.surface(), 180, 40)));
    cairo_pattern_destroy(source);
}

INSTANTIATE_TEST_SUITE_P(Drawers, StateRestored,
                         ::testing::Combine(::testing::ValuesIn(kDrawers),
                                            ::testing::Values(source_kind::translucent_colour,
                                                              source_kind::gradient)),
                         [](const auto &param) {
                             return std::string(std::get<0>(param.param).name) +
                                    (std::get<1>(param.param) == source_kind::gradient ? "_gradient"
                                                                                       : "_colour");
                         });

struct bad_size {
    const char *name;
    double width, height;
};
// Test names carry the case name; keep gtest from dumping the bytes too.
void PrintTo(const bad_size &c, std::ostream *os)
{
    *os << c.name;
}

class DegenerateRectangle : public ::testing::TestWithParam<std::tuple<drawer, bad_size>> {};

TEST_P(DegenerateRectangle, DrawsNothingAndKeepsTheContextUsable)
{
    const auto &[d, size] = GetParam();
    Canvas c(64, 64);
    cairo_t *cr = c.cr();
    cairo_set_line_width(cr, 1.5);
    d.draw(cr, size.width, size.height);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            ASSERT_TRUE(is_white(argb_at(c.surface(), x, y))) << x << "," << y;
    EXPECT_EQ(cairo_get_line_width(cr), 1.5);
    // The context still draws.
    cairo_rectangle(cr, 10, 10, 10, 10);
    cairo_fill(cr);
    EXPECT_FALSE(is_white(argb_at(c.surface(), 15, 15)));
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// draw_windows takes no rectangle, so only the sized drawers are run here. A
// negative width mirrors the clock off to the left, out of the image.
INSTANTIATE_TEST_SUITE_P(
    Sizes, DegenerateRectangle,
    ::testing::Combine(::testing::Values(kDrawers[0], kDrawers[1], kDrawers[2], kDrawers[3]),
                       ::testing::Values(bad_size{"zero_width", 0, 64},
                                         bad_size{"zero_height", 64, 0},
                                         bad_size{"nan_width", kNaN, 64},
                                         bad_size{"infinite_height", 64, kInf},
                                         bad_size{"underflowing", 1e-200, 1e-200},
                                         bad_size{"negative_width", -64, 64})),
    [](const auto &param) {
        return std::string(std::get<0>(param.param).name) + "_" + std::get<1>(param.param).name;
    });

}  // namespace

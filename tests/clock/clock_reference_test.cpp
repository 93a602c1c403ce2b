// Whole-image comparisons against committed reference pictures, to catch
// regressions the geometric probes of the other clock tests do not reach
// (joins, curve shapes, antialiasing, layering).
//
// The PNGs in reference/ were generated once from this code, after the
// pictures had been inspected by eye and the probe tests had passed, by
// running this test with QUILLKIT_UPDATE_CLOCK_REFERENCES=1. Regenerate them the
// same way only after checking a deliberate change of the pictures.
#include "qxdraw.h"

#include "image.h"

#include <gtest/gtest.h>

#include <ostream>

#include <sys/time.h>

#include <cstdlib>
#include <string>

using namespace quillkit_test;

namespace {

struct ReferenceCase {
    const char *name;
    int width, height;
    bool face, logo, hands;
};
// Test names carry the case name; keep gtest from dumping the bytes too.
void PrintTo(const ReferenceCase &c, std::ostream *os)
{
    *os << c.name;
}

class Reference : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(Reference, MatchesTheCommittedPicture)
{
    const ReferenceCase &r = GetParam();
    setenv("TZ", "UTC", 1);
    tzset();
    Canvas c(r.width, r.height);
    if (r.face)
        qxface_draw(c.cr(), r.width, r.height);
    if (r.logo)
        qxlogo_draw(c.cr(), r.width, r.height);
    if (r.hands) {
        timeval tv{};
        tv.tv_sec = 10 * 3600 + 8 * 60 + 37;
        tv.tv_usec = 250000;
        qxhand_draw(c.cr(), r.width, r.height, &tv, 1);
    }
    ASSERT_EQ(cairo_status(c.cr()), CAIRO_STATUS_SUCCESS);

    const std::string path = std::string(QUILLKIT_CLOCK_REFERENCE_DIR) + "/" + r.name + ".png";
    if (const char *update = std::getenv("QUILLKIT_UPDATE_CLOCK_REFERENCES");
        update && *update == '1') {
        ASSERT_EQ(cairo_surface_write_to_png(c.surface(), path.c_str()), CAIRO_STATUS_SUCCESS);
        GTEST_SKIP() << "wrote " << path;
    }
    SurfacePtr want(cairo_image_surface_create_from_png(path.c_str()));
    ASSERT_EQ(cairo_surface_status(want.get()), CAIRO_STATUS_SUCCESS) << path;
    ASSERT_EQ(cairo_image_surface_get_width(want.get()), r.width);
    ASSERT_EQ(cairo_image_surface_get_height(want.get()), r.height);
    // A small tolerance for rasteriser differences between cairo/pixman
    // versions; a misplaced shape changes pixels by far more.
    EXPECT_LE(max_difference(c.surface(), want.get()), 8);
}

INSTANTIATE_TEST_SUITE_P(Pictures, Reference,
                         ::testing::Values(ReferenceCase{"hands", 128, 128, false, false, true},
                                           ReferenceCase{"logo", 120, 100, false, true, false},
                                           ReferenceCase{"face", 128, 128, true, false, false},
                                           ReferenceCase{"frame_wide", 160, 120, true, false,
                                                         true}),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace

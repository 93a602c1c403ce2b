// backdrop_test.cpp - how the clock's clear parts look: the colour asked
// for, or transparent under a compositing manager, or left out of the
// window's shape without one, or light where none of that can be had.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "backdrop.h"

namespace {

constexpr quillkit::Rgb kAsked{0.25, 0.5, 0.75};

struct LookCase {
    const char *name;
    bool asked, argb_visual, shape, compositor;
    const char *colour;  // "asked", "light" or "none"
    bool shaped;
    bool follows;  // follows_compositor()
};

void PrintTo(const LookCase &c, std::ostream *os)
{
    *os << c.name;
}

std::string colour_name(const std::optional<quillkit::Rgb> &colour)
{
    if (!colour)
        return "none";
    if (colour->red == kAsked.red && colour->green == kAsked.green && colour->blue == kAsked.blue)
        return "asked";
    const quillkit::Rgb &light = qxclock::kLightBackground;
    if (colour->red == light.red && colour->green == light.green && colour->blue == light.blue)
        return "light";
    return "another";
}

class BackdropTest : public ::testing::TestWithParam<LookCase> {};

TEST_P(BackdropTest, LooksAsTheScreenAllows)
{
    const LookCase &c = GetParam();
    qxclock::Backdrop backdrop(c.asked ? std::optional<quillkit::Rgb>(kAsked) : std::nullopt,
                               c.argb_visual, c.shape);
    EXPECT_EQ(backdrop.follows_compositor(), c.follows);
    // Asked twice: the answer does not change (only the message is once).
    for (int round = 0; round < 2; ++round) {
        const qxclock::Look look = backdrop.look(c.compositor);
        EXPECT_EQ(colour_name(look.colour), c.colour);
        EXPECT_EQ(look.shaped, c.shaped);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, BackdropTest,
    ::testing::Values(
        LookCase{"AskedUnderACompositor", true, true, true, true, "asked", false, false},
        LookCase{"AskedWithoutOne", true, true, true, false, "asked", false, false},
        LookCase{"Translucent", false, true, true, true, "none", false, true},
        LookCase{"TranslucentWithoutShape", false, true, false, true, "none", false, true},
        LookCase{"Shaped", false, true, true, false, "none", true, true},
        LookCase{"NeitherCanBeHad", false, true, false, false, "light", false, true},
        LookCase{"NoAlphaVisual", false, false, true, true, "light", false, false}),
    [](const ::testing::TestParamInfo<LookCase> &param_info) {
        return std::string(param_info.param.name);
    });

}  // namespace

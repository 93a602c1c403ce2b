// options_test.cpp - qxclock's command line as parse_options reads it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "options.h"

namespace {

// A command line that parses, and what it must give.
struct GoodLine {
    const char *name;
    std::vector<std::string> args;
    qxclock::Mode mode;
    int side;
    bool seconds;
    const char *geometry;  // the Geometry printed as by describe(), "" for none
};

void PrintTo(const GoodLine &c, std::ostream *os)
{
    *os << c.name;
}

// W, H, X, Y as given ('-' for not given), a negative offset as "-N".
std::string describe(const qxclock::Geometry &g)
{
    auto part = [](const std::optional<int> &v, bool far) {
        return v ? (far ? "-" : "") + std::to_string(*v) : std::string("-");
    };
    return part(g.width, false) + " " + part(g.height, false) + " " + part(g.x, g.x_from_right) +
           " " + part(g.y, g.y_from_bottom);
}

quillkit::Result<qxclock::Options> parse(const std::vector<std::string> &args)
{
    std::vector<const char *> argv{"qxclock"};
    for (const std::string &a : args)
        argv.push_back(a.c_str());
    return qxclock::parse_options(static_cast<int>(argv.size()), argv.data());
}

class GoodLineTest : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodLineTest, Parses)
{
    const GoodLine &c = GetParam();
    const quillkit::Result<qxclock::Options> opts = parse(c.args);
    ASSERT_TRUE(opts) << opts.error();
    EXPECT_EQ(opts->mode, c.mode);
    EXPECT_EQ(opts->side(), c.side);
    EXPECT_EQ(opts->show_seconds(), c.seconds);
    EXPECT_EQ(describe(opts->geometry), c.geometry);
}

using qxclock::Mode;
INSTANTIATE_TEST_SUITE_P(
    Lines, GoodLineTest,
    ::testing::Values(
        GoodLine{"Nothing", {}, Mode::kWindow, 256, true, "- - - -"},
        GoodLine{"OldWindow", {"--window", "--no-seconds"}, Mode::kWindow, 256, false, "- - - -"},
        GoodLine{"Png", {"--png", "a.png"}, Mode::kPng, 512, false, "- - - -"},
        GoodLine{"PngEquals",
                 {"--png=a.png", "--size=300", "--seconds"},
                 Mode::kPng,
                 300,
                 true,
                 "- - - -"},
        GoodLine{
            "Geometry", {"--geometry", "300x200+10+20"}, Mode::kWindow, 256, true, "300 200 10 20"},
        GoodLine{"XStyleGeometry",
                 {"-geometry", "=120x90-0-5"},
                 Mode::kWindow,
                 256,
                 true,
                 "120 90 -0 -5"},
        GoodLine{"PositionOnly",
                 {"--geometry=+7+8", "--size", "64"},
                 Mode::kWindow,
                 64,
                 true,
                 "- - 7 8"},
        GoodLine{"WidthOnly", {"--geometry", "300"}, Mode::kWindow, 256, true, "300 - - -"},
        GoodLine{"HeightOnly", {"--geometry", "x300"}, Mode::kWindow, 256, true, "- 300 - -"},
        GoodLine{
            "Abbreviated", {"--geo", "50x50", "--no-sec"}, Mode::kWindow, 256, false, "50 50 - -"},
        // Of an option given twice, the last wins.
        GoodLine{"SizeTwice",
                 {"--png", "a.png", "--size", "10", "--size=20"},
                 Mode::kPng,
                 20,
                 false,
                 "- - - -"},
        GoodLine{
            "SecondsThenNot", {"--seconds", "--no-seconds"}, Mode::kWindow, 256, false, "- - - -"},
        GoodLine{"NotThenSeconds",
                 {"--png", "a", "--no-seconds", "--seconds"},
                 Mode::kPng,
                 512,
                 true,
                 "- - - -"},
        GoodLine{
            "PngThenWindow", {"--png", "a.png", "--window"}, Mode::kWindow, 256, true, "- - - -"},
        GoodLine{
            "WindowThenPng", {"--window", "--png", "a.png"}, Mode::kPng, 512, false, "- - - -"},
        GoodLine{"GeometryTwiceIsReplaced",
                 {"--geometry", "10x20+1+2", "-geometry", "-5-6"},
                 Mode::kWindow,
                 256,
                 true,
                 "- - -5 -6"},
        GoodLine{"GeometrySizeGoneBeforeSize",
                 {"--geometry", "50x50", "--geometry", "+0+0", "--size", "64"},
                 Mode::kWindow,
                 64,
                 true,
                 "- - 0 0"}),
    [](const ::testing::TestParamInfo<GoodLine> &param_info) {
        return std::string(param_info.param.name);
    });

// --- the command line, as parse_options reads it ---------------------------

// A command line and what parse_options must make of it: the error it must
// name, or ("" for none) the PNG path and the background it keeps.
struct LineCase {
    std::vector<std::string> args;
    const char *error;
    const char *png_path;
    const char *background;  // "name:<name>", "rgb" or "" for none
};

void PrintTo(const LineCase &c, std::ostream *os)
{
    for (const std::string &a : c.args)
        *os << a << ' ';
}

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, ParsesOrNamesTheProblem)
{
    const LineCase &c = GetParam();
    const quillkit::Result<qxclock::Options> opts = parse(c.args);
    if (*c.error != '\0') {
        EXPECT_FALSE(opts);
        EXPECT_NE(opts.error().find(c.error), std::string::npos) << opts.error();
        return;
    }
    ASSERT_TRUE(opts) << opts.error();
    EXPECT_EQ(opts->png_path, c.png_path);
    const std::string background = opts->background_rgb ? "rgb"
                                   : opts->background_name.empty()
                                       ? ""
                                       : "name:" + opts->background_name;
    EXPECT_EQ(background, c.background);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineTest,
    ::testing::Values(
        LineCase{{"--s"}, "option '--s' is ambiguous; possibilities: '--seconds' '--size'", "", ""},
        LineCase{{"--png", "a.png", "--s=5"},
                 "option '--s' is ambiguous; possibilities: '--seconds' '--size'",
                 "",
                 ""},
        LineCase{{"--no"}, "", "", ""},  // only --no-seconds begins so
        LineCase{{"--siz", "9"}, "", "", ""},
        LineCase{{"--colour"}, "unknown option '--colour'", "", ""},
        LineCase{{"--png", "-"}, "", "-", ""},
        LineCase{{"--png=-", "--background", "#FFF"}, "", "-", "rgb"},
        LineCase{{"--png", "a.png", "--background=light grey"}, "", "a.png", "name:light grey"},
        LineCase{{"--background", "rgbi:0.1/0.2/0.3"}, "", "", "rgb"},
        LineCase{{"--background", "CIEXYZ:0.3/0.4/0.5"}, "", "", "name:CIEXYZ:0.3/0.4/0.5"},
        LineCase{{"--background", "rgb:1/2"}, "bad colour 'rgb:1/2'", "", ""},
        LineCase{{"--background", "#12345"}, "bad colour '#12345'", "", ""},
        LineCase{{"--background="}, "needs a colour", "", ""},
        // Of an option given twice, the last wins, and says all.
        LineCase{{"--png", "a.png", "--png=b.png"}, "", "b.png", ""},
        LineCase{{"--png", "a.png", "--window"}, "", "", ""},
        LineCase{{"--background", "#FFF", "--background", "light grey"}, "", "", "name:light grey"},
        LineCase{{"--background", "red", "--background", "rgb:1/2/3"}, "", "", "rgb"},
        LineCase{{"--png", "a.png", "--time", "10:00", "--window"},
                 "'--time' applies to '--png' only",
                 "",
                 ""},
        LineCase{{"--display", ":1", "--window", "--png", "a.png"},
                 "'--display' applies to the window, not to '--png'",
                 "",
                 ""},
        LineCase{{"--size", "1", "--size", "0"}, "bad size '0'", "", ""},
        LineCase{{"--help", "--size", "0"}, "bad size '0'", "", ""},
        LineCase{{"--time", "10:00", "--help"}, "", "", ""},
        LineCase{{"--si"}, "option '--si' needs a value", "", ""},
        LineCase{{"--sec=yes"}, "option '--sec' takes no value", "", ""},
        LineCase{{"-xyz"}, "unknown option '-xyz'", "", ""},
        LineCase{{"--help", "extra"}, "unexpected argument 'extra'", "", ""}));

}  // namespace

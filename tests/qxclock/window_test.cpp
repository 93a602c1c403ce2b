// window_test.cpp - the qxclock window under a private Xvfb: what it tells
// the window manager, placed and sized as asked, its background, resized,
// its memory after a huge resize (bounded, and given back when it shrinks),
// and its colour names.
// GoogleTest first: Xlib's macros (None, Bool, Status) would break it.
#include <gtest/gtest.h>

#include "window_fixture.h"

#include <climits>
#include <fstream>
#include <string>
#include <vector>

#include "colour_names.h"

namespace quillkit_test {
namespace {

// The process's resident set: "VmRSS" now, "VmHWM" at its peak, in kB.
long memory_kb(pid_t pid, const std::string &field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

TEST_F(ClockWindowTest, StartsWithoutArgumentsAndTellsTheWindowManager)
{
    ASSERT_NO_FATAL_FAILURE(start({}));
    auto first = wait_for_clock();
    ASSERT_TRUE(first->ok());
    EXPECT_EQ(first->width(), 256);
    EXPECT_EQ(first->height(), 256);
    expect_ticks(*first);
    // The second hand is shown by default: it moves.
    auto later = wait_for_image([&](const WindowImage &im) { return !first->same_as(im); });
    EXPECT_FALSE(first->same_as(*later)) << "the picture did not change";

    EXPECT_EQ(property(dpy_, win_, "WM_NAME"), "qxclock");
    EXPECT_EQ(property(dpy_, win_, "_NET_WM_NAME"), "qxclock");
    EXPECT_EQ(property(dpy_, win_, "WM_CLASS"), std::string("qxclock\0Qxclock\0", 16));
    char host[HOST_NAME_MAX + 1] = "";
    gethostname(host, sizeof host);
    EXPECT_EQ(property(dpy_, win_, "WM_CLIENT_MACHINE"), host);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(dpy_, win_, &hints, &supplied));
    EXPECT_TRUE(hints.flags & PMinSize);
    EXPECT_EQ(hints.min_width, 32);
    EXPECT_EQ(hints.min_height, 32);
    // No larger than it is drawn: a window manager keeps the server from
    // backing a window of gigabytes.
    EXPECT_TRUE(hints.flags & PMaxSize);
    EXPECT_EQ(hints.max_width, 4096);
    EXPECT_EQ(hints.max_height, 4096);
}

struct GeometryCase {
    const char *name;
    std::vector<std::string> args;
    int x, y, width, height;
    long position_flag;  // USPosition when given, PPosition when not
    int gravity;
};

void PrintTo(const GeometryCase &c, std::ostream *os)
{
    *os << c.name;
}

class ClockGeometryTest : public ClockWindowTest,
                          public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(ClockGeometryTest, PlacesAndSizesTheWindow)
{
    const GeometryCase &c = GetParam();
    ASSERT_NO_FATAL_FAILURE(start(c.args));
    Window child;
    int x = 0, y = 0;
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(dpy_, win_, &attrs));
    XTranslateCoordinates(dpy_, win_, DefaultRootWindow(dpy_), 0, 0, &x, &y, &child);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(attrs.width, c.width);
    EXPECT_EQ(attrs.height, c.height);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(dpy_, win_, &hints, &supplied));
    EXPECT_TRUE(hints.flags & c.position_flag) << hints.flags;
    EXPECT_EQ(hints.win_gravity, c.gravity);
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, ClockGeometryTest,
    ::testing::Values(
        GeometryCase{"SizeAndPosition",
                     {"--geometry", "300x200+40+30"},
                     40,
                     30,
                     300,
                     200,
                     USPosition,
                     NorthWestGravity},
        GeometryCase{"FromTheFarEdges",
                     {"-geometry", "120x100-10-20"},
                     kScreenWidth - 120 - 10,
                     kScreenHeight - 100 - 20,
                     120,
                     100,
                     USPosition,
                     SouthEastGravity},
        GeometryCase{"PositionWithSize",
                     {"--size=100", "--geometry=+15+25"},
                     15,
                     25,
                     100,
                     100,
                     USPosition,
                     NorthWestGravity},
        GeometryCase{
            "NoPosition", {"--geometry", "90x80"}, 0, 0, 90, 80, PPosition, NorthWestGravity}),
    [](const ::testing::TestParamInfo<GeometryCase> &param_info) {
        return std::string(param_info.param.name);
    });

struct BackgroundCase {
    const char *name;
    bool compositor;
    std::vector<std::string> args;
    Argb outside;  // the clear parts
    int messages;  // how often stderr says no compositing manager runs
};

void PrintTo(const BackgroundCase &c, std::ostream *os)
{
    *os << c.name;
}

class ClockBackgroundTest : public ClockWindowTest,
                            public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(ClockBackgroundTest, PaintsTheClearParts)
{
    const BackgroundCase &c = GetParam();
    std::vector<std::string> args = {"--size", std::to_string(kWindowSize)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ASSERT_NO_FATAL_FAILURE(start(args, c.compositor));
    if (IsSkipped())
        return;
    auto frame = wait_for_clock();
    ASSERT_TRUE(frame->ok());
    expect_ticks(*frame);
    expect_outside(*frame, c.outside);
    // A colour of its own, or a compositing manager: the whole square shows.
    EXPECT_FALSE(bounding_shape(dpy_, win_).shaped);
    // Several frames: the message must not come with each of them.
    for (int i = 0; i < 2; ++i)
        frame = wait_for_image([&](const WindowImage &im) { return !frame->same_as(im); });
    send_wm_delete();
    EXPECT_EQ(exit_status(), 0) << clock_stderr();
    EXPECT_EQ(count_of(clock_stderr(), kNoCompositorMessage), c.messages) << clock_stderr();
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds, ClockBackgroundTest,
    ::testing::Values(
        BackgroundCase{"GivenWithoutACompositor",
                       false,
                       {"--background", "#336699"},
                       Argb{255, 0x33, 0x66, 0x99},
                       0},
        BackgroundCase{"TransparentUnderACompositor", true, {}, Argb{0, 0, 0, 0}, 0},
        BackgroundCase{
            "NamedUnderACompositor", true, {"--background=orange"}, Argb{255, 255, 165, 0}, 0}),
    [](const ::testing::TestParamInfo<BackgroundCase> &param_info) {
        return std::string(param_info.param.name);
    });

TEST_F(ClockWindowTest, FollowsAResize)
{
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    wait_for_clock();
    constexpr int kNewWidth = 300, kNewHeight = 180;
    XResizeWindow(dpy_, win_, kNewWidth, kNewHeight);
    XSync(dpy_, False);
    // The face is stretched to the new size: wait for the right-hand quarter
    // tick at its new place.
    Point right = tick_centre(45, kNewWidth, kNewHeight);
    auto im = wait_for_image([&](const WindowImage &i) {
        return i.width() == kNewWidth && near(i.at(right), kAccentBlue);
    });
    ASSERT_EQ(im->width(), kNewWidth);
    ASSERT_EQ(im->height(), kNewHeight);
    expect_ticks(*im);
}

TEST(ClockColourTest, AnUnknownColourNameIsABadCommandLine)
{
    // Neither the built-in names nor the server's database know it: the
    // window asks the server, and so does --png.
    XvfbServer server;
    ASSERT_TRUE(server.ok()) << server.error();
    ChildOptions options;
    options.env = {"DISPLAY=" + server.name()};
    const std::vector<std::vector<std::string>> modes = {{}, {"--png", "-"}};
    for (const std::vector<std::string> &mode : modes) {
        std::vector<std::string> argv = {QXCLOCK_PATH, "--background", "no such colour"};
        argv.insert(argv.end(), mode.begin(), mode.end());
        const RunResult run = run_program(argv, options, kWaitMs);
        EXPECT_EQ(run.status, 2) << (mode.empty() ? "window" : "--png");
        EXPECT_EQ(run.err, "qxclock: unknown colour 'no such colour'\nTry 'qxclock --help'.\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(ClockWindowTest, AHugeResizeTakesBoundedMemory)
{
    // Another client can make the window as large as X allows.
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    wait_for_clock();
    const long before_kb = memory_kb(clock_->pid(), "VmRSS");
    XResizeWindow(dpy_, win_, 32767, 32767);
    XSync(dpy_, False);
    // Give it the time to draw at that size: until its memory has grown by
    // what one drawn frame at the cap needs, or the time is up.
    wait_until([&] { return memory_kb(clock_->pid(), "VmRSS") > before_kb + 32 * 1024; }, 5000, 20);
    XResizeWindow(dpy_, win_, kWindowSize, kWindowSize);
    XSync(dpy_, False);
    auto im = wait_for_image([](const WindowImage &i) {
        return i.width() == kWindowSize &&
               near(i.at(tick_centre(45, kWindowSize, kWindowSize)), kAccentBlue);
    });
    ASSERT_TRUE(clock_->running()) << clock_stderr();
    expect_ticks(*im);
    // Two drawing surfaces of at most 4096 x 4096 pixels (64 MB each), and
    // the program itself.
    EXPECT_LT(memory_kb(clock_->pid(), "VmHWM"), 400 * 1024);
}

TEST_F(ClockWindowTest, GivesTheMemoryBackWhenAHugeWindowShrinks)
{
    // Twice huge and back: after the first large buffers are freed, malloc
    // keeps later ones of a few MB in its heap unless told to give them back.
#ifdef QUILLKIT_SANITIZE
    GTEST_SKIP() << "AddressSanitizer's allocator keeps freed memory in quarantine";
#endif
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    wait_for_clock();
    const long start_kb = memory_kb(clock_->pid(), "VmRSS");
    ASSERT_GT(start_kb, 0);
    // What one frame at the 4096 px cap needs: its own image, the face and
    // three masks, over 100 MB.
    constexpr long kHugeFrameKb = 100 * 1024;
    // What a window of the usual size may keep after it: far less than one
    // 4096 px mask (16 MB).
    const long bound_kb = start_kb + 8 * 1024;
    for (int round = 0; round < 2; ++round) {
        XResizeWindow(dpy_, win_, 20000, 20000);
        XSync(dpy_, False);
        ASSERT_TRUE(
            wait_until([&] { return memory_kb(clock_->pid(), "VmRSS") > start_kb + kHugeFrameKb; },
                       kWaitMs, 20))
            << "no frame at the cap in round " << round << "; stderr: " << clock_stderr();
        XResizeWindow(dpy_, win_, kWindowSize, kWindowSize);
        XSync(dpy_, False);
        EXPECT_TRUE(
            wait_until([&] { return memory_kb(clock_->pid(), "VmRSS") < bound_kb; }, kWaitMs, 20))
            << "round " << round << ": " << memory_kb(clock_->pid(), "VmRSS") << " kB after "
            << start_kb << " kB at the start";
    }
    ASSERT_TRUE(clock_->running()) << clock_stderr();
    auto im = wait_for_image([](const WindowImage &i) {
        return i.width() == kWindowSize &&
               near(i.at(tick_centre(45, kWindowSize, kWindowSize)), kAccentBlue);
    });
    expect_ticks(*im);
}

TEST(ClockColourTest, BuiltInNamesMatchTheServersDatabase)
{
    // --png resolves names without a server: to what the server would say.
    XvfbServer server;
    ASSERT_TRUE(server.ok()) << server.error();
    Display *dpy = server.display();
    const Colormap map = DefaultColormap(dpy, DefaultScreen(dpy));
    std::size_t count = 0;
    const qxclock::ColourName *names = qxclock::colour_names(count);
    for (std::size_t i = 0; i < count; ++i) {
        XColor exact{};
        ASSERT_TRUE(XParseColor(dpy, map, names[i].name, &exact)) << names[i].name;
        EXPECT_EQ(exact.red >> 8, names[i].r) << names[i].name;
        EXPECT_EQ(exact.green >> 8, names[i].g) << names[i].name;
        EXPECT_EQ(exact.blue >> 8, names[i].b) << names[i].name;
    }
}

}  // namespace
}  // namespace quillkit_test

// window_test.cpp - the qxclock window under a private Xvfb: found by its
// _NET_WM_PID, placed and sized as asked, its background with and without a
// compositing manager, its shape where none runs, and the ways it ends:
// closed, signalled, its server stalled, its window destroyed, its connection
// closed; and its memory after a huge resize.
// GoogleTest first: Xlib's macros (None, Bool, Status) would break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clock_geometry.h"
#include "colour_names.h"
#include "files.h"
#include "image.h"
#include "process.h"
#include "xvfb_server.h"

namespace quillkit_test {
namespace {

constexpr int kWindowSize = 200;
constexpr int kWaitMs = 15000;                          // for the window to appear and draw
constexpr int kExitWaitMs = 8000;                       // for an exit (the stop watchdog takes 2 s)
constexpr int kScreenWidth = 640, kScreenHeight = 480;  // XvfbServer's screen

// The window's pixels, read with XGetImage.
class WindowImage {
public:
    WindowImage(Display *dpy, Window win)
    {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(dpy, win, &attrs))
            return;
        image_ = XGetImage(dpy, win, 0, 0, static_cast<unsigned>(attrs.width),
                           static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
        depth_ = attrs.depth;
    }
    ~WindowImage()
    {
        if (image_)
            XDestroyImage(image_);
    }
    WindowImage(const WindowImage &) = delete;
    WindowImage &operator=(const WindowImage &) = delete;

    bool ok() const { return image_ != nullptr; }
    int width() const { return image_ ? image_->width : 0; }
    int height() const { return image_ ? image_->height : 0; }
    // A 24-bit window has no alpha: its pixels read as opaque.
    Argb at(int x, int y) const
    {
        Argb p = from_argb32(static_cast<std::uint32_t>(XGetPixel(image_, x, y)));
        if (depth_ != 32)
            p.a = 255;
        return p;
    }
    Argb at(const Point &p) const { return at(int(std::floor(p.x)), int(std::floor(p.y))); }
    bool same_as(const WindowImage &o) const
    {
        if (width() != o.width() || height() != o.height())
            return false;
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                if (XGetPixel(image_, x, y) != XGetPixel(o.image_, x, y))
                    return false;
        return true;
    }

private:
    XImage *image_ = nullptr;
    int depth_ = 0;
};

// A window property as Xlib returns it, as bytes ("" when absent).
std::string property(Display *dpy, Window win, const char *name)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::string value;
    if (XGetWindowProperty(dpy, win, XInternAtom(dpy, name, False), 0, 1024, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
        // Xlib hands 32-bit items over as longs.
        const size_t item = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
        value.assign(reinterpret_cast<char *>(data), count * item);
        XFree(data);
    }
    return value;
}

// The process's resident set: "VmRSS" now, "VmHWM" at its peak, in kB.
long memory_kb(pid_t pid, const std::string &field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

// Counts the occurrences of `what` in `text`.
int count_of(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

constexpr const char *kNoCompositorMessage = "no compositing manager is running";

// The window's bounding shape: none (the whole window), or its rectangles.
struct Shape {
    bool shaped = false;
    std::vector<XRectangle> rects;

    bool contains(const Point &p) const
    {
        for (const XRectangle &r : rects)
            if (p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height)
                return true;
        return false;
    }
    bool operator==(const Shape &o) const
    {
        if (shaped != o.shaped || rects.size() != o.rects.size())
            return false;
        for (size_t i = 0; i < rects.size(); ++i)
            if (std::memcmp(&rects[i], &o.rects[i], sizeof rects[i]) != 0)
                return false;
        return true;
    }
};

Shape bounding_shape(Display *dpy, Window win)
{
    Shape shape;
    Bool bounding = False, clip = False;
    int x, y;
    unsigned w, h;
    if (!XShapeQueryExtents(dpy, win, &bounding, &x, &y, &w, &h, &clip, &x, &y, &w, &h))
        return shape;
    shape.shaped = bounding;
    int count = 0, ordering = 0;
    if (XRectangle *rects = XShapeGetRectangles(dpy, win, ShapeBounding, &count, &ordering)) {
        shape.rects.assign(rects, rects + count);
        XFree(rects);
    }
    return shape;
}

// A running qxclock on a private server, with a connection of the test's own
// to look at it.
class ClockWindowTest : public ::testing::Test {
protected:
    // Starts the server (with `xvfb_args`), xcompmgr when asked (the test is
    // skipped where it is not installed), and qxclock with `args`.
    void start(const std::vector<std::string> &args, bool compositor = false,
               const std::vector<std::string> &xvfb_args = {})
    {
        server_ = std::make_unique<XvfbServer>(xvfb_args);
        ASSERT_TRUE(server_->ok()) << server_->error();
        dpy_ = server_->display();
        if (compositor) {
            start_compositor();
            if (IsSkipped() || HasFatalFailure())
                return;
        }
        stderr_path_ = ::testing::TempDir() + "qxclock-window-" + std::to_string(getpid()) + ".err";
        std::vector<std::string> argv = {QXCLOCK_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildOptions options;
        options.env = {"DISPLAY=" + server_->name()};
        options.stderr_path = stderr_path_;
        // A signal ignored here is ignored in the clock from its start.
        struct sigaction ignore {
        }, old{};
        ignore.sa_handler = SIG_IGN;
        if (ignored_signal_)
            sigaction(ignored_signal_, &ignore, &old);
        clock_ = std::make_unique<ChildProcess>(argv, options);
        if (ignored_signal_)
            sigaction(ignored_signal_, &old, nullptr);
        ASSERT_TRUE(clock_->started());
        wait_until([&] { return (win_ = find_window()) != None || !clock_->running(); }, kWaitMs,
                   20);
        ASSERT_NE(win_, None) << "no qxclock window appeared; stderr: " << clock_stderr();
    }

    void start_compositor()
    {
        if (std::strlen(XCOMPMGR_PATH) == 0)
            GTEST_SKIP() << "xcompmgr is not installed (Debian package xcompmgr)";
        compositor_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{XCOMPMGR_PATH, "-d", server_->name()});
        const Atom cm = XInternAtom(dpy_, "_NET_WM_CM_S0", False);
        ASSERT_TRUE(wait_until([&] { return XGetSelectionOwner(dpy_, cm) != None; }, kWaitMs))
            << "xcompmgr did not take the compositing manager's selection";
    }

    void TearDown() override
    {
        clock_.reset();  // kills it if still running
        compositor_.reset();
        server_.reset();  // closes dpy_ and stops Xvfb, whatever happened above
        if (!stderr_path_.empty())
            unlink(stderr_path_.c_str());
    }

    // The viewable top-level window whose _NET_WM_PID is the clock's.
    Window find_window()
    {
        Window root_ret, parent, *children = nullptr;
        unsigned n = 0;
        Window found = None;
        if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root_ret, &parent, &children, &n))
            return None;
        for (unsigned i = 0; i < n && found == None; ++i) {
            const std::string pid = property(dpy_, children[i], "_NET_WM_PID");
            long value = 0;
            if (pid.size() == sizeof value)
                std::memcpy(&value, pid.data(), sizeof value);
            XWindowAttributes attrs;
            if (value == clock_->pid() && XGetWindowAttributes(dpy_, children[i], &attrs) &&
                attrs.map_state == IsViewable)
                found = children[i];
        }
        if (children)
            XFree(children);
        return found;
    }

    // Reads the window until `ready` holds for its image, or the time is up;
    // returns the last image read.
    std::unique_ptr<WindowImage>
    wait_for_image(const std::function<bool(const WindowImage &)> &ready)
    {
        std::unique_ptr<WindowImage> image;
        wait_until(
            [&] {
                image = std::make_unique<WindowImage>(dpy_, win_);
                return image->ok() && ready(*image);
            },
            kWaitMs, 20);
        return image;
    }

    // The hour and minute hands both start at the pivot: a drawn frame has
    // opaque black in the middle.
    std::unique_ptr<WindowImage> wait_for_clock()
    {
        return wait_for_image([](const WindowImage &im) {
            return near(im.at(im.width() / 2, im.height() / 2), kBlack);
        });
    }

    void send_wm_delete()
    {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = win_;
        ev.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy_, win_, False, NoEventMask, &ev);
        XFlush(dpy_);
    }

    // Waits for the clock to exit; returns its exit status (-1: it did not
    // exit in time or died by a signal, with a failure).
    int exit_status()
    {
        int status = 0;
        if (!clock_->wait_for_exit(kExitWaitMs, status)) {
            ADD_FAILURE() << "qxclock did not exit";
            return -1;
        }
        if (!WIFEXITED(status)) {
            ADD_FAILURE() << "ended by signal " << WTERMSIG(status);
            return -1;
        }
        return WEXITSTATUS(status);
    }

    std::string clock_stderr() const { return read_file(stderr_path_); }

    std::unique_ptr<XvfbServer> server_;
    Display *dpy_ = nullptr;  // owned by server_
    std::unique_ptr<ChildProcess> compositor_;
    std::unique_ptr<ChildProcess> clock_;
    std::string stderr_path_;
    Window win_ = None;
    int ignored_signal_ = 0;  // ignored by the clock's parent, when not 0
};

// Every tick of the ring in its colour.
void expect_ticks(const WindowImage &im)
{
    for (int minute = 0; minute < 60; ++minute) {
        Point c = tick_centre(minute, im.width(), im.height());
        EXPECT_TRUE(near(im.at(c), tick_colour(minute)))
            << "minute " << minute << " at (" << c.x << ", " << c.y << "): " << im.at(c);
    }
}

// Points well outside the face: the corners, and the corner regions past
// the tick ring's outer edge.
std::vector<Point> outside_face(int w, int h)
{
    return {{0, 0},
            {w - 1.0, 0},
            {0, h - 1.0},
            {w - 1.0, h - 1.0},
            {0.1 * w, 0.1 * h},
            {0.9 * w, 0.1 * h},
            {0.1 * w, 0.9 * h},
            {0.9 * w, 0.9 * h}};
}

void expect_outside(const WindowImage &im, const Argb &want)
{
    for (const Point &p : outside_face(im.width(), im.height()))
        EXPECT_TRUE(near(im.at(p), want, 1))
            << "at (" << p.x << ", " << p.y << "): " << im.at(p) << ", want " << want;
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

// The shape is the picture's outline: the corners are out, the pivot (where
// the hands meet) and the quarter ticks are in.
void expect_clock_shape(const Shape &shape, int w, int h)
{
    ASSERT_TRUE(shape.shaped);
    for (const Point &p : outside_face(w, h))
        EXPECT_FALSE(shape.contains(p)) << "(" << p.x << ", " << p.y << ") is in the shape";
    EXPECT_TRUE(shape.contains({w / 2.0, h / 2.0})) << "the centre is not in the shape";
    for (const int minute : {0, 15, 30, 45})
        EXPECT_TRUE(shape.contains(tick_centre(minute, w, h)))
            << "the tick of minute " << minute << " is not in the shape";
}

TEST_F(ClockWindowTest, IsShapedLikeTheClockWithoutACompositor)
{
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    Shape first;
    wait_until(
        [&] {
            first = bounding_shape(dpy_, win_);
            return first.contains({kWindowSize / 2.0, kWindowSize / 2.0});
        },
        kWaitMs, 20);
    expect_clock_shape(first, kWindowSize, kWindowSize);
    // The second hand moves, and the shape with it.
    Shape later;
    wait_until([&] { return !((later = bounding_shape(dpy_, win_)) == first); }, kWaitMs, 20);
    EXPECT_FALSE(later == first) << "the shape did not change";
    expect_clock_shape(later, kWindowSize, kWindowSize);
    send_wm_delete();
    EXPECT_EQ(exit_status(), 0);
    EXPECT_EQ(clock_stderr(), "");
}

TEST_F(ClockWindowTest, TheShapeFollowsThePictureFrameByFrame)
{
    // Frame after frame the shape holds what is drawn opaque and nothing
    // else: no trace of where the second hand was. The server is grabbed
    // while the shape and the pixels are read, so that both are of one frame.
    // At 4 frames a second, 30 frames reach past a move of the minute hand
    // (every 7 s at this size).
    constexpr int kFrames = 30;
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    ASSERT_TRUE(wait_until([&] { return bounding_shape(dpy_, win_).shaped; }, kWaitMs, 20));
    Shape last;
    int frames = 0;
    wait_until(
        [&] {
            XGrabServer(dpy_);
            const Shape shape = bounding_shape(dpy_, win_);
            WindowImage im(dpy_, win_);
            XUngrabServer(dpy_);
            XSync(dpy_, False);
            if (shape == last)
                return false;
            last = shape;
            ++frames;
            std::vector<bool> in_shape(size_t(im.width()) * size_t(im.height()));
            for (const XRectangle &r : shape.rects)
                for (int y = std::max(0, int(r.y)); y < std::min(im.height(), r.y + r.height); ++y)
                    for (int x = std::max(0, int(r.x)); x < std::min(im.width(), r.x + r.width);
                         ++x)
                        in_shape[size_t(y) * size_t(im.width()) + size_t(x)] = true;
            for (int y = 0; y < im.height(); ++y)
                for (int x = 0; x < im.width(); ++x) {
                    const bool opaque = im.at(x, y).a == 255;
                    if (in_shape[size_t(y) * size_t(im.width()) + size_t(x)] != opaque) {
                        ADD_FAILURE() << "frame " << frames << ": (" << x << ", " << y << ") "
                                      << (opaque ? "drawn but not in the shape"
                                                 : "in the shape but not drawn");
                        return true;
                    }
                }
            return frames == kFrames;
        },
        2 * kWaitMs, 5);
    EXPECT_EQ(frames, kFrames) << "the shape did not change often enough";
}

TEST_F(ClockWindowTest, FollowsACompositingManagerThatStartsAndStops)
{
    // Started before the compositing manager (as at a login), the clock is
    // shaped, turns translucent without a shape once it runs, and is shaped
    // again when it stops.
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    const Point centre{kWindowSize / 2.0, kWindowSize / 2.0};
    auto shaped = [&] {
        const Shape shape = bounding_shape(dpy_, win_);
        return shape.shaped && shape.contains(centre);
    };
    ASSERT_TRUE(wait_until(shaped, kWaitMs, 20)) << clock_stderr();
    start_compositor();
    if (IsSkipped() || HasFatalFailure())
        return;
    EXPECT_TRUE(wait_until([&] { return !bounding_shape(dpy_, win_).shaped; }, kWaitMs, 20))
        << "the shape stayed under a compositing manager";
    const Argb clear{0, 0, 0, 0};
    expect_outside(
        *wait_for_image([&](const WindowImage &im) { return near(im.at(0, 0), clear, 1); }), clear);
    compositor_.reset();
    EXPECT_TRUE(wait_until(shaped, kWaitMs, 20)) << "not shaped again";
    expect_clock_shape(bounding_shape(dpy_, win_), kWindowSize, kWindowSize);
    send_wm_delete();
    EXPECT_EQ(exit_status(), 0);
    EXPECT_EQ(count_of(clock_stderr(), kNoCompositorMessage), 0) << clock_stderr();
}

TEST_F(ClockWindowTest, FallsBackToAnOpaqueWindowWithoutAnArgbVisual)
{
    // Without Composite, Xvfb offers no 32-bit visual with alpha.
    ASSERT_NO_FATAL_FAILURE(
        start({"--size", std::to_string(kWindowSize)}, false, {"-extension", "Composite"}));
    auto im = wait_for_clock();
    ASSERT_TRUE(im->ok());
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(dpy_, win_, &attrs));
    EXPECT_EQ(attrs.depth, DefaultDepth(dpy_, DefaultScreen(dpy_)));
    expect_ticks(*im);
    expect_outside(*im, opaque(0.96, 0.96, 0.96));
    send_wm_delete();
    EXPECT_EQ(exit_status(), 0);
    const std::string err = clock_stderr();
    EXPECT_EQ(count_of(err, "no 32-bit visual with alpha"), 1) << err;
    EXPECT_EQ(count_of(err, kNoCompositorMessage), 0) << err;
}

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

// How the clock is asked to stop, and how it must end: 0 when it could close
// cleanly.
class ClockStopTest;
struct StopCase {
    const char *name;
    void (*stop)(ClockStopTest &);
    int status;
    const char *message;  // in its stderr, "" for nothing at all
};

void PrintTo(const StopCase &c, std::ostream *os)
{
    *os << c.name;
}

class ClockStopTest : public ClockWindowTest, public ::testing::WithParamInterface<StopCase> {
public:
    void close_request() { send_wm_delete(); }
    void signal_clock(int sig) { clock_->send_signal(sig); }
    void signal_server(int sig) { server_->process().send_signal(sig); }
    void destroy_window()
    {
        XDestroyWindow(dpy_, win_);
        XSync(dpy_, False);
    }
    // The server closes the clock's connection, as when it goes away.
    void kill_client()
    {
        XKillClient(dpy_, win_);
        XSync(dpy_, False);
    }
};

TEST_P(ClockStopTest, EndsPromptlyWithOneLine)
{
    const StopCase &c = GetParam();
    // A background of its own: stderr holds only what the stop makes it say.
    ASSERT_NO_FATAL_FAILURE(
        start({"--size", std::to_string(kWindowSize), "--background", "#ffffff"}));
    wait_for_clock();
    c.stop(*this);
    const int status = exit_status();
    signal_server(SIGCONT);  // should the case have stopped it
    EXPECT_EQ(status, c.status) << clock_stderr();
    const std::string err = clock_stderr();
    if (*c.message == '\0') {
        EXPECT_EQ(err, "");
    } else {
        EXPECT_EQ(err.rfind("qxclock: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(count_of(err, "\n"), 1) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ClockStopTest,
    ::testing::Values(
        StopCase{"WindowManagersRequest", [](ClockStopTest &test) { test.close_request(); }, 0, ""},
        StopCase{"Sigint", [](ClockStopTest &test) { test.signal_clock(SIGINT); }, 0, ""},
        StopCase{"Sigterm", [](ClockStopTest &test) { test.signal_clock(SIGTERM); }, 0, ""},
        // The server stops answering: closing the window would wait forever.
        StopCase{"SigtermWhileTheServerStalls",
                 [](ClockStopTest &test) {
                     test.signal_server(SIGSTOP);
                     test.signal_clock(SIGTERM);
                 },
                 1, "does not answer"},
        StopCase{"WindowDestroyed", [](ClockStopTest &test) { test.destroy_window(); }, 1,
                 "the window was destroyed"},
        StopCase{"ConnectionClosed", [](ClockStopTest &test) { test.kill_client(); }, 1,
                 "lost the connection"}),
    [](const ::testing::TestParamInfo<StopCase> &param_info) {
        return std::string(param_info.param.name);
    });

TEST(ClockColourTest, AnUnknownColourNameIsABadCommandLine)
{
    XvfbServer server;
    ASSERT_TRUE(server.ok()) << server.error();
    ChildOptions options;
    options.env = {"DISPLAY=" + server.name()};
    const RunResult run =
        run_program({QXCLOCK_PATH, "--background", "no such colour"}, options, kWaitMs);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "qxclock: unknown colour 'no such colour'\nTry 'qxclock --help'.\n");
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

// A stop signal that the clock's parent ignores (nohup, a background job)
// stays ignored; the other one still closes the window.
struct IgnoredCase {
    const char *name;
    int ignored, stop;
};

void PrintTo(const IgnoredCase &c, std::ostream *os)
{
    *os << c.name;
}

// The signals in the mask of /proc/<pid>/status line `field` (SigIgn, SigCgt).
unsigned long long signal_mask(pid_t pid, const std::string &field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stoull(line.substr(field.size() + 1), nullptr, 16);
    return 0;
}

class ClockIgnoredSignalTest : public ClockWindowTest,
                               public ::testing::WithParamInterface<IgnoredCase> {};

TEST_P(ClockIgnoredSignalTest, StaysIgnored)
{
    const IgnoredCase &c = GetParam();
    ignored_signal_ = c.ignored;
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    const auto bit = [](int sig) { return 1ULL << (sig - 1); };
    // The window is up: its handlers are in place.
    EXPECT_TRUE(signal_mask(clock_->pid(), "SigIgn") & bit(c.ignored));
    EXPECT_FALSE(signal_mask(clock_->pid(), "SigCgt") & bit(c.ignored));
    EXPECT_TRUE(signal_mask(clock_->pid(), "SigCgt") & bit(c.stop));
    clock_->send_signal(c.stop);
    EXPECT_EQ(exit_status(), 0) << clock_stderr();
}

INSTANTIATE_TEST_SUITE_P(Signals, ClockIgnoredSignalTest,
                         ::testing::Values(IgnoredCase{"Sigint", SIGINT, SIGTERM},
                                           IgnoredCase{"Sigterm", SIGTERM, SIGINT}),
                         [](const ::testing::TestParamInfo<IgnoredCase> &param_info) {
                             return std::string(param_info.param.name);
                         });

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

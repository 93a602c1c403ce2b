// window_test.cpp - qxclock --window under a private Xvfb: the clock is on the
// screen, the background is transparent, it follows resizes, and it closes
// cleanly on the window manager's request and on SIGINT/SIGTERM.
// GoogleTest first: Xlib's macros (None, Bool, Status) would break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clock_geometry.h"
#include "files.h"
#include "image.h"
#include "process.h"
#include "xvfb_server.h"

namespace quillkit_test {
namespace {

constexpr int kWindowSize = 200;
constexpr int kWaitMs = 10000;     // for the window to appear and draw
constexpr int kExitWaitMs = 5000;  // for a clean close

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

// A running qxclock --window on a private server, with a connection of the
// test's own to look at it.
class ClockWindowTest : public ::testing::Test {
protected:
    void start(const std::vector<std::string> &xvfb_args, const std::vector<std::string> &args,
               const std::function<void(Display *)> &before = {})
    {
        server_ = std::make_unique<XvfbServer>(xvfb_args);
        ASSERT_TRUE(server_->ok()) << server_->error();
        dpy_ = server_->display();
        ASSERT_NE(dpy_, nullptr);
        if (before)
            before(dpy_);
        stderr_path_ = ::testing::TempDir() + "qxclock-window-" + std::to_string(getpid()) + ".err";
        std::vector<std::string> argv = {QXCLOCK_PATH, "--window"};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildOptions options;
        options.env = {"DISPLAY=" + server_->name()};
        options.stderr_path = stderr_path_;
        clock_ = std::make_unique<ChildProcess>(argv, options);
        ASSERT_TRUE(clock_->started());
        win_ = wait_for_window();
        ASSERT_NE(win_, None) << "no qxclock window appeared; stderr: " << read_file(stderr_path_);
    }

    void TearDown() override
    {
        clock_.reset();   // kills it if still running
        server_.reset();  // closes dpy_ and kills Xvfb, whatever happened above
        if (!stderr_path_.empty())
            unlink(stderr_path_.c_str());
    }

    // The top-level window whose WM_CLASS names qxclock, if it is viewable.
    Window find_viewable_window()
    {
        Window root_ret, parent, *children = nullptr;
        unsigned n = 0;
        Window found = None;
        if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root_ret, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && found == None; ++i) {
                XClassHint hint{};
                if (XGetClassHint(dpy_, children[i], &hint)) {
                    if (hint.res_name && std::strcmp(hint.res_name, "qxclock") == 0)
                        found = children[i];
                    XFree(hint.res_name);
                    XFree(hint.res_class);
                }
            }
            if (children)
                XFree(children);
        }
        XWindowAttributes attrs;
        if (found != None && XGetWindowAttributes(dpy_, found, &attrs) &&
            attrs.map_state == IsViewable)
            return found;
        return None;
    }

    // Waits for the window to appear (while qxclock runs).
    Window wait_for_window()
    {
        Window found = None;
        wait_until([&] { return (found = find_viewable_window()) != None || !clock_->running(); },
                   kWaitMs, 20);
        return found;
    }

    // Reads the window until `ready` holds for its image (a frame has been
    // drawn), or the time is up; returns the last image read.
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

    void expect_clean_exit()
    {
        int status = 0;
        ASSERT_TRUE(clock_->wait_for_exit(kExitWaitMs, status)) << "qxclock did not exit";
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0) << read_file(stderr_path_);
    }

    std::string clock_stderr() const { return read_file(stderr_path_); }

    std::unique_ptr<XvfbServer> server_;
    Display *dpy_ = nullptr;  // owned by server_
    std::unique_ptr<ChildProcess> clock_;
    std::string stderr_path_;
    Window win_ = None;
};

// Every tick of the ring in its colour, in a width x height window.
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

TEST_F(ClockWindowTest, ShowsTheClockOnATransparentBackground)
{
    ASSERT_NO_FATAL_FAILURE(start({}, {"--size", std::to_string(kWindowSize)}));
    auto im = wait_for_clock();
    ASSERT_TRUE(im->ok());
    ASSERT_EQ(im->width(), kWindowSize);
    ASSERT_EQ(im->height(), kWindowSize);
    EXPECT_TRUE(near(im->at(kWindowSize / 2, kWindowSize / 2), kBlack)) << "no hands at the pivot";
    expect_ticks(*im);
    for (const Point &p : outside_face(kWindowSize, kWindowSize))
        EXPECT_EQ(im->at(p).a, 0) << "at (" << p.x << ", " << p.y << "): " << im->at(p);
}

TEST_F(ClockWindowTest, FollowsAResize)
{
    ASSERT_NO_FATAL_FAILURE(start({}, {"--size", std::to_string(kWindowSize)}));
    wait_for_clock();
    constexpr int new_w = 300, new_h = 180;
    XResizeWindow(dpy_, win_, new_w, new_h);
    XSync(dpy_, False);
    // The face is stretched to the new size: wait for the right-hand quarter
    // tick at its new place.
    Point right = tick_centre(45, new_w, new_h);
    auto im = wait_for_image(
        [&](const WindowImage &i) { return i.width() == new_w && near(i.at(right), kAccentBlue); });
    ASSERT_EQ(im->width(), new_w);
    ASSERT_EQ(im->height(), new_h);
    expect_ticks(*im);
    for (const Point &p : outside_face(new_w, new_h))
        EXPECT_EQ(im->at(p).a, 0) << "at (" << p.x << ", " << p.y << "): " << im->at(p);
}

TEST_F(ClockWindowTest, TheSecondHandMoves)
{
    ASSERT_NO_FATAL_FAILURE(start({}, {"--size", std::to_string(kWindowSize), "--seconds"}));
    auto first = wait_for_clock();
    ASSERT_TRUE(first->ok());
    // The second hand turns 6 degrees a second; its tip (0.32 of the width
    // out) soon moves by whole pixels.
    auto later = wait_for_image([&](const WindowImage &im) { return !first->same_as(im); });
    EXPECT_FALSE(first->same_as(*later)) << "the picture did not change";
}

TEST_F(ClockWindowTest, ClosesOnTheWindowManagersRequest)
{
    ASSERT_NO_FATAL_FAILURE(start({}, {"--size", std::to_string(kWindowSize)}));
    wait_for_clock();
    send_wm_delete();
    expect_clean_exit();
}

class ClockSignalTest : public ClockWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(ClockSignalTest, ClosesCleanlyOnTheSignal)
{
    ASSERT_NO_FATAL_FAILURE(start({}, {"--size", std::to_string(kWindowSize), "--seconds"}));
    wait_for_clock();
    clock_->send_signal(GetParam());
    expect_clean_exit();
}

INSTANTIATE_TEST_SUITE_P(Signals, ClockSignalTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int> &param_info) {
                             return std::string(param_info.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

// Counts the lines of `text` that contain `what`.
int count_of(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

constexpr const char *kNoCompositorMessage = "no compositing manager is running";

TEST_F(ClockWindowTest, SaysOnceThatNoCompositingManagerRuns)
{
    ASSERT_NO_FATAL_FAILURE(start({}, {"--size", std::to_string(kWindowSize), "--seconds"}));
    // Several frames drawn: the message must not come with each of them.
    auto frame = wait_for_clock();
    for (int i = 0; i < 3; ++i)
        frame = wait_for_image([&](const WindowImage &im) { return !frame->same_as(im); });
    send_wm_delete();
    expect_clean_exit();
    EXPECT_EQ(count_of(clock_stderr(), kNoCompositorMessage), 1) << clock_stderr();
}

TEST_F(ClockWindowTest, SaysNothingWhenACompositingManagerRuns)
{
    // Stand in for a compositing manager by owning its selection.
    ASSERT_NO_FATAL_FAILURE(start({}, {"--size", std::to_string(kWindowSize)}, [](Display *dpy) {
        Window owner = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
        Atom cm = XInternAtom(dpy, "_NET_WM_CM_S0", False);
        XSetSelectionOwner(dpy, cm, owner, CurrentTime);
        XSync(dpy, False);
    }));
    wait_for_clock();
    send_wm_delete();
    expect_clean_exit();
    EXPECT_EQ(clock_stderr(), "");
}

TEST_F(ClockWindowTest, FallsBackToAnOpaqueWindowWithoutAnArgbVisual)
{
    // Without Composite, Xvfb offers no 32-bit visual with alpha.
    ASSERT_NO_FATAL_FAILURE(
        start({"-extension", "Composite"}, {"--size", std::to_string(kWindowSize)}));
    auto im = wait_for_clock();
    ASSERT_TRUE(im->ok());
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(dpy_, win_, &attrs));
    EXPECT_EQ(attrs.depth, DefaultDepth(dpy_, DefaultScreen(dpy_)));
    expect_ticks(*im);
    // The background is painted: the same opaque, light colour everywhere
    // outside the face.
    Argb corner = im->at(0, 0);
    EXPECT_GT(corner.r + corner.g + corner.b, 3 * 200) << corner;
    for (const Point &p : outside_face(kWindowSize, kWindowSize))
        EXPECT_TRUE(near(im->at(p), corner, 0))
            << "at (" << p.x << ", " << p.y << "): " << im->at(p);
    send_wm_delete();
    expect_clean_exit();
    std::string err = clock_stderr();
    EXPECT_EQ(count_of(err, "no 32-bit visual with alpha"), 1) << err;
    EXPECT_EQ(count_of(err, kNoCompositorMessage), 0) << err;
}

}  // namespace
}  // namespace quillkit_test

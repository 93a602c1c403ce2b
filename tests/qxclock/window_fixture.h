// window_fixture.h - qxclock's window under a private Xvfb, as its tests see
// it: the window found by its _NET_WM_PID, its pixels, properties and shape,
// and the clock's exit.
#ifndef QUILLKIT_TESTS_QXCLOCK_WINDOW_FIXTURE_H
#define QUILLKIT_TESTS_QXCLOCK_WINDOW_FIXTURE_H

// GoogleTest first: Xlib's macros (None, Bool, Status) would break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
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
inline std::string property(Display *dpy, Window win, const char *name)
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

// Counts the occurrences of `what` in `text`.
inline int count_of(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// What the clock says when it chooses an opaque background itself.
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

inline Shape bounding_shape(Display *dpy, Window win)
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
    // opaque black in the middle, and the quarter tick at 9 o'clock, which no
    // hand reaches, in its blue. (Before the first frame the window may read
    // as black all over.)
    std::unique_ptr<WindowImage> wait_for_clock()
    {
        return wait_for_image([](const WindowImage &im) {
            return near(im.at(im.width() / 2, im.height() / 2), kBlack) &&
                   near(im.at(tick_centre(45, im.width(), im.height())), kAccentBlue);
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
inline void expect_ticks(const WindowImage &im)
{
    for (int minute = 0; minute < 60; ++minute) {
        Point c = tick_centre(minute, im.width(), im.height());
        EXPECT_TRUE(near(im.at(c), tick_colour(minute)))
            << "minute " << minute << " at (" << c.x << ", " << c.y << "): " << im.at(c);
    }
}

// Points well outside the face: the corners, and the corner regions past
// the tick ring's outer edge.
inline std::vector<Point> outside_face(int w, int h)
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

inline void expect_outside(const WindowImage &im, const Argb &want)
{
    for (const Point &p : outside_face(im.width(), im.height()))
        EXPECT_TRUE(near(im.at(p), want, 1))
            << "at (" << p.x << ", " << p.y << "): " << im.at(p) << ", want " << want;
}

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_QXCLOCK_WINDOW_FIXTURE_H

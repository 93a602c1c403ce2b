// window_test.cpp - quillview's window under a private Xvfb, read back from
// the X server: a snippet file rewritten (as an editor saves it) is drawn
// anew, a syntax error names its line and leaves the old picture stale, and
// a crashing snippet leaves the window running and recovering.
// gtest before Xlib, whose macros (None, Bool) would break its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "files.h"
#include "process.h"
#include "scratch_dir.h"
#include "xvfb_server.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr int kWaitMs = 20000;
constexpr int kMinPixels = 500;  // a picture on the canvas, not a stray pixel

std::string paint(const char *rgb)
{
    return std::string("/* the whole square in one colour */\ncairo_set_source_rgb (cr, ") + rgb +
           ");\ncairo_paint (cr);\n";
}

int ignore_x_errors(Display *, XErrorEvent *)
{
    return 0;
}

class QuillviewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.ok()) << server_.error();
        XSetErrorHandler(&ignore_x_errors);
        dir_.write("snippets/a.cairo", paint("1, 0, 0"));
        dir_.write("snippets/b.cairo", paint("0, 1, 0"));
        fs::create_directories(dir_ / "tmp");
        ChildOptions options;
        options.cwd = dir_ / "snippets";
        options.stderr_path = dir_ / "stderr.txt";
        const std::string home = dir_.path().string();
        options.env = {"DISPLAY=" + server_.name(),
                       "GDK_BACKEND=x11",
                       "GSK_RENDERER=cairo",
                       "GTK_A11Y=none",
                       "NO_AT_BRIDGE=1",
                       "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/no-bus",
                       "HOME=" + home,
                       "XDG_CONFIG_HOME=" + home + "/config",
                       "XDG_DATA_HOME=" + home + "/data",
                       "XDG_CACHE_HOME=" + home + "/cache",
                       "TMPDIR=" + home + "/tmp"};
        view_ = std::make_unique<ChildProcess>(std::vector<std::string>{QUILLVIEW_PATH}, options);
        ASSERT_TRUE(view_->started());
        wait_until([&] { return (win_ = find_window()) != None || !view_->running(); }, kWaitMs);
        ASSERT_NE(win_, None) << read_file(dir_ / "stderr.txt");
    }

    void TearDown() override
    {
        if (!view_ || !view_->running())
            return;
        // It ends on SIGTERM, and takes its private folder with it.
        view_->send_signal(SIGTERM);
        int ws = 0;
        ASSERT_TRUE(view_->wait_for_exit(kWaitMs, ws));
        EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ws << read_file(dir_ / "stderr.txt");
        EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
    }

    std::string title(Window w) const
    {
        Display *dpy = server_.display();
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char *data = nullptr;
        std::string text;
        if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False), 0, 1024, False,
                               XInternAtom(dpy, "UTF8_STRING", False), &type, &format, &n, &after,
                               &data) == Success &&
            data != nullptr)
            text.assign(reinterpret_cast<char *>(data), n);
        if (data != nullptr)
            XFree(data);
        return text;
    }

    Window find_window() const
    {
        Display *dpy = server_.display();
        Window root, parent, *children = nullptr;
        unsigned n = 0;
        Window found = None;
        if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && found == None; i++)
                if (title(children[i]).find("quillview") != std::string::npos)
                    found = children[i];
            XFree(children);
        }
        return found;
    }

    // How many of the window's pixels (as the server has them) pass `test`.
    int count_pixels(const std::function<bool(int r, int g, int b)> &test) const
    {
        Display *dpy = server_.display();
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(dpy, win_, &attrs) || attrs.map_state != IsViewable)
            return -1;
        XImage *image = XGetImage(dpy, win_, 0, 0, static_cast<unsigned>(attrs.width),
                                  static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
        if (image == nullptr)
            return -1;
        int n = 0;
        for (int y = 0; y < attrs.height; y++)
            for (int x = 0; x < attrs.width; x++) {
                const unsigned long p = XGetPixel(image, x, y);
                n += test((p >> 16) & 255, (p >> 8) & 255, p & 255) ? 1 : 0;
            }
        XDestroyImage(image);
        return n;
    }

    int count_colour(int r, int g, int b) const
    {
        return count_pixels([=](int pr, int pg, int pb) { return pr == r && pg == g && pb == b; });
    }

    bool title_has(const std::string &text) const
    {
        return title(win_).find(text) != std::string::npos;
    }

    // Saves a snippet as editors do: a new file renamed over the old one.
    void rewrite(const std::string &name, const std::string &text) const
    {
        const fs::path file = dir_ / "snippets" / name;
        ASSERT_TRUE(write_file(file.string() + ".new", text));
        fs::rename(file.string() + ".new", file);
    }

    XvfbServer server_;
    ScratchDir dir_;
    std::unique_ptr<ChildProcess> view_;
    Window win_ = None;
};

TEST_F(QuillviewWindow, RewrittenSnippetIsDrawnAgain)
{
    ASSERT_TRUE(wait_until([&] { return count_colour(255, 0, 0) > kMinPixels; }, kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
    EXPECT_EQ(title(win_), "a — quillview");
    rewrite("a.cairo", paint("0, 0, 1"));
    EXPECT_TRUE(wait_until([&] { return count_colour(0, 0, 255) > kMinPixels; }, kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
    EXPECT_EQ(count_colour(255, 0, 0), 0);
    // Written in place (truncated, then written and closed) too.
    ASSERT_TRUE(write_file(dir_ / "snippets/a.cairo", paint("1, 1, 0")));
    EXPECT_TRUE(wait_until([&] { return count_colour(255, 255, 0) > kMinPixels; }, kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
}

TEST_F(QuillviewWindow, SyntaxErrorShowsItsLineAndKeepsTheStalePicture)
{
    ASSERT_TRUE(wait_until([&] { return count_colour(255, 0, 0) > kMinPixels; }, kWaitMs));
    rewrite("a.cairo", "/* line 1 */\ncairo_set_source_rgb (cr, 0, 0, 1);\ncairo_paint (cr)\n"
                       "cairo_fill (cr);\n");
    EXPECT_TRUE(wait_until([&] { return title_has("a: error at line 3 — quillview"); }, kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
    // The red picture is still there, washed over: stale.
    EXPECT_TRUE(wait_until([&] { return count_colour(255, 0, 0) == 0; }, kWaitMs));
    EXPECT_GT(count_pixels([](int r, int g, int b) { return r > 150 && g < 110 && g == b; }),
              kMinPixels);
}

TEST_F(QuillviewWindow, CrashingSnippetLeavesTheWindowRunning)
{
    ASSERT_TRUE(wait_until([&] { return count_colour(255, 0, 0) > kMinPixels; }, kWaitMs));
    rewrite("a.cairo", "#include <signal.h>\nraise (SIGSEGV);\n");
    EXPECT_TRUE(wait_until([&] { return title_has("a: the snippet crashed"); }, kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
    EXPECT_TRUE(view_->running());
    // The message, not the old picture.
    EXPECT_TRUE(wait_until([&] { return count_colour(255, 0, 0) == 0; }, kWaitMs));
    // Still answering: the next save is drawn by a new render process.
    rewrite("a.cairo", paint("0, 0, 1"));
    EXPECT_TRUE(wait_until([&] { return count_colour(0, 0, 255) > kMinPixels; }, kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
    EXPECT_EQ(title(win_), "a — quillview");
}

}  // namespace
}  // namespace quillkit_test

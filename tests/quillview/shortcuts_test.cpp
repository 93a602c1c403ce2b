// shortcuts_test.cpp - quillview's keys and menus under a private Xvfb,
// driven through XTest as a user would and read back from the X server:
// Ctrl+? opens the shortcuts window, the primary menu's Grid shows every
// snippet, Ctrl+S and Alt+Down work while the editor has the focus, and a
// second quillview opens its window in the first one's process, which
// closes on its own.
// gtest before Xlib, whose macros (None, Bool) would break its templates.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files.h"
#include "process.h"
#include "scratch_dir.h"
#include "xvfb_server.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr int kWaitMs = 20000;
constexpr int kMinPixels = 500;   // a picture on the canvas, not a stray pixel
constexpr int kDark = 100;        // the most a glyph's pixel has of red, green and blue
constexpr int kEdge = 2;          // the width of a popup's edge, in pixels
constexpr int kMenuColumns = 46;  // at the header bar's end: its primary menu button alone
constexpr int kSizeOption = 100;

std::string paint(const char *rgb)
{
    return std::string("cairo_set_source_rgb (cr, ") + rgb + ");\ncairo_paint (cr);\n";
}

int ignore_x_errors(Display *, XErrorEvent *)
{
    return 0;
}

// A window's pixels as the server has them, 0xRRGGBB.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // Part of a glyph: dark, and nowhere near the black that is around a
    // popup where there is no compositor (nor the popup's edge against it).
    bool glyph(int x, int y) const
    {
        const std::uint32_t p = at(x, y);
        if ((p >> 16) >= kDark || ((p >> 8) & 255) >= kDark || (p & 255) >= kDark)
            return false;
        for (int ny = std::max(0, y - kEdge); ny <= std::min(height - 1, y + kEdge); ny++)
            for (int nx = std::max(0, x - kEdge); nx <= std::min(width - 1, x + kEdge); nx++)
                if (at(nx, ny) == 0)
                    return false;
        return true;
    }
    int count(std::uint32_t rgb) const
    {
        return static_cast<int>(std::count(pixels.begin(), pixels.end(), rgb));
    }
};

// The centre of the glyphs in the columns [x0, x1) of the first band of
// rows with glyphs at or below row y0 (the topmost label, or icon); false
// when there is none.
bool first_glyphs(const Image &image, int x0, int x1, int y0, int &cx, int &cy)
{
    int left = x1, right = -1, top = -1, y = y0;
    for (; y < image.height; y++) {
        bool any = false;
        for (int x = x0; x < x1; x++)
            if (image.glyph(x, y)) {
                any = true;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        if (any && top < 0)
            top = y;
        if (!any && top >= 0)
            break;
    }
    if (top < 0)
        return false;
    cx = (left + right) / 2;
    cy = (top + y - 1) / 2;
    return true;
}

class QuillviewKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.ok()) << server_.error();
        XSetErrorHandler(&ignore_x_errors);
        int event, error, major, minor;
        ASSERT_TRUE(XTestQueryExtension(server_.display(), &event, &error, &major, &minor));
        dir_.write("snippets/a.cairo", paint("1, 0, 0"));
        dir_.write("snippets/b.cairo", paint("0, 1, 0"));
        // No window buttons in the header bar: its primary menu is outermost.
        dir_.write("config/gtk-4.0/settings.ini", "[Settings]\ngtk-decoration-layout=:\n");
        fs::create_directories(dir_ / "tmp");
    }

    void TearDown() override
    {
        if (!view_ || !view_->running())
            return;
        view_->send_signal(SIGTERM);
        int ws = 0;
        ASSERT_TRUE(view_->wait_for_exit(kWaitMs, ws));
        EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ws << read_file(dir_ / "stderr.txt");
        EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));  // every window's private folder
    }

    ChildOptions options(const fs::path &cwd) const
    {
        ChildOptions o;
        o.cwd = cwd;
        const std::string home = dir_.path().string();
        o.env = {"DISPLAY=" + server_.name(),
                 "GDK_BACKEND=x11",
                 "GSK_RENDERER=cairo",
                 "GTK_A11Y=none",
                 "NO_AT_BRIDGE=1",
                 "DBUS_SESSION_BUS_ADDRESS=" + bus_,
                 "HOME=" + home,
                 "XDG_CONFIG_HOME=" + home + "/config",
                 "XDG_DATA_HOME=" + home + "/data",
                 "XDG_CACHE_HOME=" + home + "/cache",
                 "TMPDIR=" + home + "/tmp"};
        return o;
    }

    // Starts quillview on the snippets folder and waits for a's picture.
    void start_view()
    {
        ChildOptions o = options(dir_ / "snippets");
        o.stderr_path = dir_ / "stderr.txt";
        view_ = std::make_unique<ChildProcess>(std::vector<std::string>{QUILLVIEW_PATH}, o);
        ASSERT_TRUE(view_->started());
        ASSERT_TRUE(wait_until(
            [&] { return (win_ = find_window("a — quillview")) != None || !view_->running(); },
            kWaitMs))
            << read_file(dir_ / "stderr.txt");
        ASSERT_NE(win_, None) << read_file(dir_ / "stderr.txt");
        ASSERT_TRUE(wait_until([&] { return grab(win_).count(0xff0000) > kMinPixels; }, kWaitMs))
            << read_file(dir_ / "stderr.txt");
    }

    // Property `name` of window `w` as Xlib hands it over (32-bit items as
    // longs).
    std::string property(Window w, const char *name, Atom type) const
    {
        Display *dpy = server_.display();
        Atom actual;
        int format = 0;
        unsigned long n = 0, after;
        unsigned char *data = nullptr;
        std::string bytes;
        if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 1024, False, type, &actual,
                               &format, &n, &after, &data) == Success &&
            data != nullptr)
            bytes.assign(reinterpret_cast<char *>(data), n * (format == 32 ? sizeof(long) : 1));
        if (data != nullptr)
            XFree(data);
        return bytes;
    }

    std::string title(Window w) const
    {
        return property(w, "_NET_WM_NAME", XInternAtom(server_.display(), "UTF8_STRING", False));
    }

    // The process that made window `w`, or 0.
    long window_pid(Window w) const
    {
        const std::string bytes = property(w, "_NET_WM_PID", XA_CARDINAL);
        long pid = 0;
        if (bytes.size() == sizeof pid)
            std::memcpy(&pid, bytes.data(), sizeof pid);
        return pid;
    }

    // The viewable top-level windows that pass `test`.
    std::vector<Window>
    windows(const std::function<bool(Window, const XWindowAttributes &)> &test) const
    {
        Display *dpy = server_.display();
        Window root, parent, *children = nullptr;
        unsigned n = 0;
        std::vector<Window> found;
        XWindowAttributes attrs;
        if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n; i++)
                if (XGetWindowAttributes(dpy, children[i], &attrs) &&
                    attrs.map_state == IsViewable && test(children[i], attrs))
                    found.push_back(children[i]);
            XFree(children);
        }
        return found;
    }

    Window find_window(const std::string &name) const
    {
        const std::vector<Window> found =
            windows([&](Window w, const XWindowAttributes &) { return title(w) == name; });
        return found.empty() ? None : found.front();
    }

    // The largest popup (a menu, not a tooltip): an override-redirect window.
    Window find_popup() const
    {
        Window largest = None;
        int area = 0;
        windows([&](Window w, const XWindowAttributes &attrs) {
            if (attrs.override_redirect && attrs.width * attrs.height > area) {
                largest = w;
                area = attrs.width * attrs.height;
            }
            return false;
        });
        return largest;
    }

    Image grab(Window w) const
    {
        Display *dpy = server_.display();
        Image image;
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(dpy, w, &attrs) || attrs.map_state != IsViewable)
            return image;
        XImage *x = XGetImage(dpy, w, 0, 0, static_cast<unsigned>(attrs.width),
                              static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
        if (x == nullptr)
            return image;
        image.width = attrs.width;
        image.height = attrs.height;
        for (int y = 0; y < attrs.height; y++)
            for (int px = 0; px < attrs.width; px++)
                image.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(x, px, y) & 0xffffff));
        XDestroyImage(x);
        return image;
    }

    // Asks window `w` to close, as a window manager does.
    void close_window(Window w) const
    {
        Display *dpy = server_.display();
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.format = 32;
        e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, w, False, NoEventMask, &e);
        XSync(dpy, False);
    }

    // The windows' private folders (quillview-PID-XXXXXX in TMPDIR).
    long private_folders() const
    {
        const fs::directory_iterator all(dir_ / "tmp");
        return std::count_if(begin(all), end(all), [](const fs::directory_entry &e) {
            return e.path().filename().string().rfind("quillview-", 0) == 0;
        });
    }

    // Presses and releases the key of `sym` with `modifiers` held (and Shift
    // when the key gives `sym` only shifted), as the keyboard would.
    void key(KeySym sym, std::vector<KeySym> modifiers = {}) const
    {
        Display *dpy = server_.display();
        const KeyCode code = XKeysymToKeycode(dpy, sym);
        ASSERT_NE(code, 0) << sym;
        if (XkbKeycodeToKeysym(dpy, code, 0, 0) != sym)
            modifiers.push_back(XK_Shift_L);
        for (KeySym m : modifiers)
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, m), True, CurrentTime);
        XTestFakeKeyEvent(dpy, code, True, CurrentTime);
        XTestFakeKeyEvent(dpy, code, False, CurrentTime);
        for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, *m), False, CurrentTime);
        XSync(dpy, False);
    }

    // Clicks the first button at (x, y) of window `w`.
    void click(Window w, int x, int y) const
    {
        Display *dpy = server_.display();
        Window child;
        int rx = 0, ry = 0;
        XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rx, ry, CurrentTime);
        XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
        XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
        XSync(dpy, False);
    }

    XvfbServer server_;
    ScratchDir dir_;
    std::string bus_ = "unix:path=" + (dir_ / "no-bus").string();
    std::unique_ptr<ChildProcess> bus_daemon_;
    std::unique_ptr<ChildProcess> view_;
    Window win_ = None;
};

TEST_F(QuillviewKeys, CtrlQuestionOpensTheShortcutsWindow)
{
    start_view();
    EXPECT_EQ(find_window("Shortcuts"), None);
    key(XK_question, {XK_Control_L});
    EXPECT_TRUE(wait_until([&] { return find_window("Shortcuts") != None; }, kWaitMs))
        << read_file(dir_ / "stderr.txt");
}

TEST_F(QuillviewKeys, PrimaryMenuGridShowsEverySnippet)
{
    start_view();
    const Image before = grab(win_);
    ASSERT_EQ(before.count(0x00ff00), 0);  // b is not shown yet
    // The menu button's icon: the glyphs at the header bar's end.
    int bx = 0, by = 0;
    ASSERT_TRUE(first_glyphs(before, before.width - kMenuColumns, before.width, 0, bx, by));
    click(win_, bx, by);
    // Its first item, Grid: the menu's topmost label, once the menu is drawn
    // (without a compositor the transparent corner around it is black; the
    // window's header bar was there before).
    Window menu = None;
    int ix = 0, iy = 0;
    ASSERT_TRUE(wait_until(
        [&] {
            menu = find_popup();
            const Image items = menu != None ? grab(menu) : Image{};
            return items.height > 0 && items.at(0, 0) == 0 &&
                   first_glyphs(items, 0, items.width, 0, ix, iy);
        },
        kWaitMs));
    click(menu, ix, iy);
    EXPECT_TRUE(wait_until(
        [&] {
            const Image now = grab(win_);
            return now.count(0x00ff00) > kMinPixels && now.count(0xff0000) > kMinPixels;
        },
        kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
}

TEST_F(QuillviewKeys, KeysWorkWhileTheEditorHasTheFocus)
{
    const fs::path file = dir_ / "snippets/a.cairo";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string text = read_file(file);
    start_view();
    // Typed at the end of the text, below its last line.
    const Image shown = grab(win_);
    click(win_, shown.width - kMenuColumns, shown.height / 2);
    key(XK_slash);
    key(XK_slash);
    key(XK_q);
    key(XK_s, {XK_Control_L});
    EXPECT_TRUE(wait_until([&] { return read_file(file) == text + "//q"; }, kWaitMs))
        << read_file(file) << read_file(dir_ / "stderr.txt");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // The editor moves lines with Alt+Down; the window's action comes first.
    key(XK_Down, {XK_Alt_L});
    EXPECT_TRUE(wait_until(
        [&] { return title(win_) == "b — quillview" && grab(win_).count(0x00ff00) > kMinPixels; },
        kWaitMs))
        << title(win_) << read_file(dir_ / "stderr.txt");
    EXPECT_EQ(read_file(file), text + "//q");
}

TEST_F(QuillviewKeys, SecondQuillviewOpensItsWindowInTheFirst)
{
    if (std::string(DBUS_DAEMON_PATH).empty())
        GTEST_SKIP() << "no dbus-daemon";
    // A private session bus, which starts no services.
    const fs::path socket = dir_ / "bus";
    dir_.write("bus.conf", "<busconfig><type>session</type><listen>unix:path=" + socket.string() +
                               "</listen><policy context=\"default\"><allow "
                               "send_destination=\"*\" eavesdrop=\"true\"/><allow "
                               "eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    bus_daemon_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        DBUS_DAEMON_PATH, "--nofork", "--config-file=" + (dir_ / "bus.conf").string()});
    ASSERT_TRUE(wait_until([&] { return fs::exists(socket) || !bus_daemon_->running(); }, kWaitMs));
    ASSERT_TRUE(bus_daemon_->running());
    bus_ = "unix:path=" + socket.string();
    start_view();

    // From another folder, with options that are not GApplication's.
    dir_.write("other/c.cairo", paint("0, 0, 1"));
    const RunResult second =
        run_program({QUILLVIEW_PATH, "--size=" + std::to_string(kSizeOption), "--", "c.cairo"},
                    options(dir_ / "other"), kWaitMs);
    EXPECT_EQ(second.status, 0) << second.err;
    Window c = None;
    ASSERT_TRUE(wait_until([&] { return (c = find_window("c — quillview")) != None; }, kWaitMs))
        << second.err << read_file(dir_ / "stderr.txt");
    EXPECT_EQ(window_pid(c), view_->pid());
    // The picture at --size (its edges may fall between pixels), not at the
    // canvas's size.
    EXPECT_TRUE(wait_until(
        [&] {
            const int blue = grab(c).count(0x0000ff);
            return blue >= (kSizeOption - 1) * (kSizeOption - 1) &&
                   blue <= kSizeOption * kSizeOption;
        },
        kWaitMs))
        << grab(c).count(0x0000ff) << read_file(dir_ / "stderr.txt");

    // Closed, it goes with its private folder; the first window stays.
    ASSERT_EQ(private_folders(), 2);
    close_window(c);
    EXPECT_TRUE(wait_until(
        [&] { return find_window("c — quillview") == None && private_folders() == 1; }, kWaitMs))
        << private_folders();
    EXPECT_TRUE(view_->running());
    EXPECT_EQ(find_window("a — quillview"), win_);
}

}  // namespace
}  // namespace quillkit_test

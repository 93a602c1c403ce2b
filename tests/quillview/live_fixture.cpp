// live_fixture.cpp - the live tests' window, keyboard, mouse and pixels.
#include "live_fixture.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

namespace quillkit_test {

namespace fs = std::filesystem;

namespace {

constexpr int kDragStep = 4;        // pixels of one motion of a drag
constexpr int kLineHeight = 24;     // the most one line of the editor takes
constexpr int kMagentaLow = 160;    // the number's red and blue are above it...
constexpr int kMagentaGreen = 100;  // ...its green below

int ignore_x_errors(Display *, XErrorEvent *)
{
    return 0;
}

}  // namespace

int Image::count(std::uint32_t rgb) const
{
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), rgb));
}

Box Image::box(const std::function<bool(std::uint32_t rgb)> &test) const
{
    Box b{width, height, -1, -1};
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            if (test(at(x, y))) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x);
                b.y1 = std::max(b.y1, y);
            }
    return b;
}

bool Image::middle(std::uint32_t rgb, int least, int &x, int &y) const
{
    long n = 0, sx = 0, sy = 0;
    for (int py = 0; py < height; py++)
        for (int px = 0; px < width; px++)
            if (at(px, py) == rgb)
                n++, sx += px, sy += py;
    if (n <= least)
        return false;
    x = static_cast<int>(sx / n);
    y = static_cast<int>(sy / n);
    return true;
}

void LiveFixture::SetUp()
{
    ASSERT_TRUE(server_.ok()) << server_.error();
    XSetErrorHandler(&ignore_x_errors);
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(server_.display(), &event, &error, &major, &minor));
    fs::create_directories(dir_ / "snippets");
    fs::create_directories(dir_ / "tmp");
}

void LiveFixture::stop()
{
    win_ = None;
    if (!view_ || !view_->running())
        return;
    view_->send_signal(SIGTERM);  // quits without asking, unsaved text or not
    int ws = 0;
    ASSERT_TRUE(view_->wait_for_exit(kWaitMs, ws));
    EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ws << stderr_text();
    EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));  // its private folder went with it
}

void LiveFixture::start(const std::vector<std::string> &args, const fs::path &cwd,
                        const std::string &window_title)
{
    ChildOptions o;
    o.cwd = cwd;
    o.stderr_path = dir_ / "stderr.txt";
    const std::string home = dir_.path().string();
    o.env = {"DISPLAY=" + server_.name(),
             "GDK_BACKEND=x11",
             "GSK_RENDERER=cairo",
             "GTK_A11Y=none",
             "NO_AT_BRIDGE=1",
             "GSETTINGS_BACKEND=memory",
             "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/no-bus",
             "HOME=" + home,
             "XDG_CONFIG_HOME=" + home + "/config",
             "XDG_DATA_HOME=" + home + "/data",
             "XDG_CACHE_HOME=" + home + "/cache",
             "TMPDIR=" + home + "/tmp"};
    std::vector<std::string> argv = {QUILLVIEW_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    view_ = std::make_unique<ChildProcess>(argv, o);
    ASSERT_TRUE(view_->started());
    wait_until([&] { return (win_ = find_window(window_title)) != None || !view_->running(); },
               kWaitMs);
    ASSERT_NE(win_, None) << stderr_text();
}

std::string LiveFixture::title_of(Window w) const
{
    Display *dpy = server_.display();
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    std::string text;
    if (w != None &&
        XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(dpy, "UTF8_STRING", False), &type, &format, &n, &after,
                           &data) == Success &&
        data != nullptr)
        text.assign(reinterpret_cast<char *>(data), n);
    if (data != nullptr)
        XFree(data);
    return text;
}

Window LiveFixture::find_window(const std::string &wanted) const
{
    Display *dpy = server_.display();
    Window root, parent, *children = nullptr, found = None;
    unsigned n = 0;
    XWindowAttributes attrs;
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && found == None; i++)
            if (XGetWindowAttributes(dpy, children[i], &attrs) && attrs.map_state == IsViewable &&
                title_of(children[i]) == wanted)
                found = children[i];
        XFree(children);
    }
    return found;
}

bool LiveFixture::wait_for_title(const std::string &wanted) const
{
    return wait_until([&] { return title() == wanted; }, kWaitMs);
}

bool LiveFixture::focused(Window w) const
{
    Display *dpy = server_.display();
    Window focus = None, root, parent, *children = nullptr;
    int revert = 0;
    unsigned n = 0;
    XGetInputFocus(dpy, &focus, &revert);
    while (focus != None && focus != w && focus != PointerRoot &&
           XQueryTree(dpy, focus, &root, &parent, &children, &n)) {
        if (children != nullptr)
            XFree(children);
        focus = parent == root ? None : parent;
    }
    return w != None && focus == w;
}

Image LiveFixture::grab() const
{
    Display *dpy = server_.display();
    Image image;
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy, win_, &attrs) || attrs.map_state != IsViewable)
        return image;
    XImage *x = XGetImage(dpy, win_, 0, 0, static_cast<unsigned>(attrs.width),
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

bool LiveFixture::find_number(int &x, int &y) const
{
    const Box b = grab().box([](std::uint32_t p) {
        return static_cast<int>(p >> 16) > kMagentaLow &&
               static_cast<int>((p >> 8) & 255)<kMagentaGreen &&static_cast<int>(p & 255)>
                   kMagentaLow;
    });
    if (b.empty() || b.height() > kLineHeight)
        return false;
    x = b.x0 + 2;  // on its first character
    y = (b.y0 + b.y1) / 2;
    return true;
}

void LiveFixture::key(KeySym sym, std::vector<KeySym> modifiers) const
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

void LiveFixture::hold(KeySym modifier, bool down) const
{
    Display *dpy = server_.display();
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, modifier), down, CurrentTime);
    XSync(dpy, False);
}

void LiveFixture::type(const std::string &text) const
{
    for (const char c : text)
        key(c == '.' ? XK_period : c == '/' ? XK_slash : c == ' ' ? XK_space : KeySym(c));
}

void LiveFixture::move(int x, int y) const
{
    Display *dpy = server_.display();
    Window child;
    int rx = 0, ry = 0;
    XTranslateCoordinates(dpy, win_, DefaultRootWindow(dpy), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rx, ry, CurrentTime);
    XSync(dpy, False);
}

void LiveFixture::button(unsigned number, bool down) const
{
    XTestFakeButtonEvent(server_.display(), number, down, CurrentTime);
    XSync(server_.display(), False);
}

void LiveFixture::click(int x, int y) const
{
    move(x, y);
    button(1, true);
    button(1, false);
}

void LiveFixture::drag(unsigned number, int x, int y, int dx, int dy) const
{
    move(x, y);
    button(number, true);
    const int moves = std::max(1, std::max(std::abs(dx), std::abs(dy)) / kDragStep);
    for (int i = 1; i <= moves; i++)
        move(x + dx * i / moves, y + dy * i / moves);
    button(number, false);
}

}  // namespace quillkit_test

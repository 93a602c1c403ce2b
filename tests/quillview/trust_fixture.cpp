// trust_fixture.cpp - the trust tests' window, keys, pixels and processes.
#include "trust_fixture.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <sstream>

namespace quillkit_test {

namespace fs = std::filesystem;

namespace {

constexpr int kMenuColumns = 46;  // at the window's right edge: off the editor's text
constexpr const char *kSetpriv = "/usr/bin/setpriv";

int ignore_x_errors(Display *, XErrorEvent *)
{
    return 0;
}

struct ProcessInfo {
    std::string name;
    long parent = 0;
    long ticks = 0;  // user and system CPU
};

// Every process's name, parent and CPU time, from /proc/PID/stat.
std::map<long, ProcessInfo> processes()
{
    std::map<long, ProcessInfo> all;
    for (const fs::directory_entry &e : fs::directory_iterator("/proc")) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(e.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        ProcessInfo info;
        info.name = stat.substr(open + 1, close - open - 1);
        std::istringstream rest(stat.substr(close + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 3; rest >> field && i <= 15; i++) {
            if (i == 4)
                info.parent = std::stol(field);
            if (i == 14)
                utime = std::stol(field);
            if (i == 15)
                stime = std::stol(field);
        }
        info.ticks = utime + stime;
        all[std::stol(pid)] = info;
    }
    return all;
}

}  // namespace

std::string paint(const char *rgb)
{
    return std::string("cairo_set_source_rgb (cr, ") + rgb + ");\ncairo_paint (cr);\n";
}

bool full_device_over_snippet(const fs::path &folder)
{
    const fs::path node = folder / "full";
    if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        return false;
    // A file system mounted nodev opens no device.
    const int fd = open(node.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    return rename(node.c_str(), (folder / "a.cairo").c_str()) == 0;
}

void TrustFixture::SetUp()
{
    ASSERT_TRUE(server_.ok()) << server_.error();
    XSetErrorHandler(&ignore_x_errors);
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(server_.display(), &event, &error, &major, &minor));
    dir_.write("snippets/a.cairo", paint("1, 0, 0"));
    dir_.write("snippets/b.cairo", paint("0, 1, 0"));
    // No window buttons in the header bar.
    dir_.write("config/gtk-4.0/settings.ini", "[Settings]\ngtk-decoration-layout=:\n");
    fs::create_directories(dir_ / "tmp");
}

void TrustFixture::TearDown()
{
    restore_folder();
    if (!view_ || !view_->running())
        return;
    view_->send_signal(SIGTERM);  // quits without asking
    int ws = 0;
    ASSERT_TRUE(view_->wait_for_exit(kWaitMs, ws));
    EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ws << stderr_text();
    EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

void TrustFixture::start(bool without_overrides, const std::vector<std::string> &env)
{
    std::vector<std::string> argv = {QUILLVIEW_PATH};
    if (without_overrides && geteuid() == 0) {
        if (access(kSetpriv, X_OK) != 0)
            GTEST_SKIP() << "running as root without setpriv (util-linux) to drop its overrides";
        argv.insert(argv.begin(),
                    {kSetpriv, "--bounding-set=-dac_override,-dac_read_search", "--"});
    }
    ChildOptions o;
    o.cwd = dir_ / "snippets";
    o.stderr_path = dir_ / "stderr.txt";
    const std::string home = dir_.path().string();
    o.env = {"DISPLAY=" + server_.name(),
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
    o.env.insert(o.env.end(), env.begin(), env.end());
    view_ = std::make_unique<ChildProcess>(argv, o);
    ASSERT_TRUE(view_->started());
    ASSERT_TRUE(wait_until(
        [&] {
            win_ = find_window("a — quillview");
            if (win_ == None)
                win_ = find_window("a: not UTF-8, read-only — quillview");
            return win_ != None || !view_->running();
        },
        kWaitMs));
    ASSERT_NE(win_, None) << stderr_text();
    ASSERT_TRUE(wait_until([&] { return count_colour(0xff0000) > kMinPixels; }, kWaitMs))
        << title() << stderr_text();
}

std::string TrustFixture::title_of(Window w) const
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

Window TrustFixture::find_window(const std::string &name) const
{
    Display *dpy = server_.display();
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    Window found = None;
    XWindowAttributes attrs;
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && found == None; i++)
            if (XGetWindowAttributes(dpy, children[i], &attrs) && attrs.map_state == IsViewable &&
                title_of(children[i]) == name)
                found = children[i];
        XFree(children);
    }
    return found;
}

int TrustFixture::count_colour(std::uint32_t rgb, int x0, int x1) const
{
    int n = 0;
    bool shown = false;
    scan([&](int x, int, std::uint32_t p) {
        shown = true;
        n += p == rgb && x >= x0 && (x1 < 0 || x < x1) ? 1 : 0;
    });
    return shown ? n : -1;
}

bool TrustFixture::columns_of(std::uint32_t rgb, int &x0, int &x1) const
{
    x0 = -1;
    x1 = -1;
    scan([&](int x, int, std::uint32_t p) {
        if (p != rgb)
            return;
        x0 = x0 < 0 ? x : std::min(x0, x);
        x1 = std::max(x1, x + 1);
    });
    return x0 >= 0;
}

void TrustFixture::scan(const std::function<void(int x, int y, std::uint32_t rgb)> &pixel) const
{
    Display *dpy = server_.display();
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy, win_, &attrs) || attrs.map_state != IsViewable)
        return;
    XImage *image = XGetImage(dpy, win_, 0, 0, static_cast<unsigned>(attrs.width),
                              static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return;
    for (int y = 0; y < attrs.height; y++)
        for (int x = 0; x < attrs.width; x++)
            pixel(x, y, static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xffffff));
    XDestroyImage(image);
}

void TrustFixture::key(KeySym sym, std::vector<KeySym> modifiers) const
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

void TrustFixture::click(Window w, int x, int y) const
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

void TrustFixture::close_window(Window w) const
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

void TrustFixture::type_at_end() const
{
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(server_.display(), win_, &attrs));
    click(win_, attrs.width - kMenuColumns, attrs.height / 2);
    key(XK_slash);
    key(XK_slash);
    key(XK_q);
}

void TrustFixture::rewrite(const std::string &file, const std::string &text) const
{
    const fs::path path = dir_ / "snippets" / file;
    ASSERT_TRUE(write_file(path.string() + ".new", text));
    fs::rename(path.string() + ".new", path);
}

bool TrustFixture::busy_descendant(const std::string &name, long ticks) const
{
    const std::map<long, ProcessInfo> all = processes();
    for (const auto &[pid, info] : all) {
        if (pid == view_->pid() || info.name != name || info.ticks < ticks)
            continue;
        for (long up = info.parent; up > 1;) {
            if (up == view_->pid())
                return true;
            const auto parent = all.find(up);
            up = parent == all.end() ? 0 : parent->second.parent;
        }
    }
    return false;
}

void TrustFixture::restore_folder() const
{
    std::error_code ec;
    fs::permissions(dir_ / "snippets", fs::perms(0755), ec);
}

}  // namespace quillkit_test

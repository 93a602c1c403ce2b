// live_bench.cpp - quillview's live window as the X server sees it, under a
// private Xvfb:
//
//   play    the sample clock (examples/snippets/clock.cairo) at 512 px for a
//           few seconds: new pictures a second on screen (XDamage: frames
//           that repaint the canvas), against the frames the window shows
//           in the same time (its time label changes with each); the CPU of
//           quillview and its render process, and of the X server, from
//           /proc/PID/schedstat
//   tweak   Ctrl+drag on a number in the editor (XTest): from the pointer's
//           move by one step to the picture's new colour on screen
//
// Rounds take turns at both; figures are medians over the rounds.
//
//   bench_quillview_live [rounds] [seconds]     (default 5 and 3)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench_process.h"
#include "rounds.h"

namespace {

namespace fs = std::filesystem;
using quillkit_bench::Child;
using quillkit_bench::cpu_ns;
using quillkit_bench::render_process;
using quillkit_bench::wall_ms;

constexpr int kPictureSize = 512;
constexpr double kMinPictureRate = 50;  // a second
constexpr double kDisplayShare = 0.9;   // of the display's frames
constexpr double kTweakTargetMs = 50;
constexpr double kWaitMs = 30000;
constexpr int kStepPixels = 12;  // more than one step of the drag (8 px)
constexpr int kStepsPerDrag = 4;
constexpr int kLineHeight = 24;            // the most a line of the editor takes
constexpr unsigned long kFrameGapMs = 4;   // damage further apart is another frame
constexpr unsigned kTweakGrey = 0x808080;  // 0.50 of each
constexpr const char *kTweakSnippet = "double level =\n"
                                      "0.50;\n"
                                      "cairo_set_source_rgb (cr, level, level, level);\n"
                                      "cairo_paint (cr);\n";

int ignore_x_errors(Display *, XErrorEvent *)
{
    return 0;
}

struct PlayFigures {
    double pictures = 0, frames = 0;                      // a second
    double view_cpu = 0, render_cpu = 0, server_cpu = 0;  // shares of one core
};

class Bench {
public:
    Bench() : dir_(fs::temp_directory_path() / ("bench_quillview_live." + std::to_string(getpid())))
    {
        fs::create_directories(dir_ / "tmp");
        fs::create_directories(dir_ / "snippets");
        signal(SIGPIPE, SIG_IGN);
    }
    ~Bench()
    {
        view_.reset();
        if (dpy_ != nullptr)
            XCloseDisplay(dpy_);
        xvfb_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    bool start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        xvfb_ = std::make_unique<Child>(
            std::vector<std::string>{XVFB_PATH, "-displayfd", std::to_string(fds[1]), "-screen",
                                     "0", "1600x1000x24", "-nolisten", "tcp", "-noreset"},
            std::vector<std::string>{}, "", (dir_ / "xvfb.log").string(), fds[1]);
        close(fds[1]);
        std::string number;
        char c;
        pollfd pfd{fds[0], POLLIN, 0};
        while (poll(&pfd, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        const std::string display = ":" + number;
        const double deadline = wall_ms() + 15000;
        while (!number.empty() && (dpy_ = XOpenDisplay(display.c_str())) == nullptr &&
               wall_ms() < deadline)
            usleep(20000);
        if (dpy_ == nullptr)
            return false;
        XSetErrorHandler(&ignore_x_errors);
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XDamageQueryExtension(dpy_, &damage_event_, &error) ||
            !XTestQueryExtension(dpy_, &event, &error, &major, &minor))
            return false;
        fs::copy_file(fs::path(SNIPPET_ASSETS) / "clock.cairo", dir_ / "snippets/clock.cairo");
        std::ofstream(dir_ / "snippets/tweak.cairo") << kTweakSnippet;
        const std::string home = dir_.string();
        view_ = std::make_unique<Child>(
            std::vector<std::string>{QUILLVIEW_PATH, "--size=" + std::to_string(kPictureSize)},
            std::vector<std::string>{
                "DISPLAY=" + display, "GDK_BACKEND=x11", "GSK_RENDERER=cairo", "GTK_A11Y=none",
                "NO_AT_BRIDGE=1", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/no-bus",
                "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                "XDG_CACHE_HOME=" + home + "/cache", "TMPDIR=" + home + "/tmp"},
            (dir_ / "snippets").string(), (dir_ / "quillview.log").string());
        server_pid_ = xvfb_->pid();
        return wait_for([&] { return (win_ = find_window("clock — quillview")) != None; });
    }

    PlayFigures play(double seconds);
    std::vector<double> tweak(int drags);
    bool select(const char *title, KeySym key);
    const fs::path &dir() const { return dir_; }

private:
    template <typename Test>
    bool wait_for(Test test) const
    {
        const double deadline = wall_ms() + kWaitMs;
        while (!test()) {
            if (wall_ms() > deadline)
                return false;
            usleep(2000);
        }
        return true;
    }
    std::string title(Window w) const;
    Window find_window(const std::string &name) const;
    unsigned pixel(int x, int y) const;
    bool find_number(int &x, int &y) const;
    bool locate(unsigned rgb, int &x, int &y) const;
    void key(KeySym sym, bool down) const
    {
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, sym), down, CurrentTime);
    }
    void move_to(int x, int y) const
    {
        Window child;
        int rx = 0, ry = 0;
        XTranslateCoordinates(dpy_, win_, DefaultRootWindow(dpy_), x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(dpy_, DefaultScreen(dpy_), rx, ry, CurrentTime);
        XSync(dpy_, False);
    }

    fs::path dir_;
    std::unique_ptr<Child> xvfb_, view_;
    Display *dpy_ = nullptr;
    Window win_ = None;
    int damage_event_ = 0;
    pid_t server_pid_ = 0;
};

std::string Bench::title(Window w) const
{
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    std::string text;
    if (XGetWindowProperty(dpy_, w, XInternAtom(dpy_, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(dpy_, "UTF8_STRING", False), &type, &format, &n, &after,
                           &data) == Success &&
        data != nullptr)
        text.assign(reinterpret_cast<char *>(data), n);
    if (data != nullptr)
        XFree(data);
    return text;
}

Window Bench::find_window(const std::string &name) const
{
    Window root, parent, *children = nullptr, found = None;
    unsigned n = 0;
    if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && found == None; i++)
            if (title(children[i]) == name)
                found = children[i];
        XFree(children);
    }
    return found;
}

unsigned Bench::pixel(int x, int y) const
{
    XImage *image = XGetImage(dpy_, win_, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xffffffff;
    const auto p = static_cast<unsigned>(XGetPixel(image, 0, 0) & 0xffffff);
    XDestroyImage(image);
    return p;
}

// The number in the editor: the one span of pixels in the colour the
// editor gives numbers (magenta in GtkSourceView's default scheme).
bool Bench::find_number(int &x, int &y) const
{
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy_, win_, &attrs))
        return false;
    XImage *image = XGetImage(dpy_, win_, 0, 0, static_cast<unsigned>(attrs.width),
                              static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    int left = attrs.width, top = attrs.height, bottom = -1;
    for (int py = 0; py < attrs.height; py++)
        for (int px = 0; px < attrs.width; px++) {
            const unsigned long p = XGetPixel(image, px, py);
            if (((p >> 16) & 255) > 160 && ((p >> 8) & 255) < 100 && (p & 255) > 160) {
                left = std::min(left, px);
                top = std::min(top, py);
                bottom = std::max(bottom, py);
            }
        }
    XDestroyImage(image);
    if (bottom < 0 || bottom - top > kLineHeight)
        return false;  // none, or more than the one number of the tweak snippet
    x = left + 2;
    y = (top + bottom) / 2;
    return true;
}

// The middle of the pixels of colour `rgb` in the window, when it has
// enough of them.
bool Bench::locate(unsigned rgb, int &x, int &y) const
{
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy_, win_, &attrs))
        return false;
    XImage *image = XGetImage(dpy_, win_, 0, 0, static_cast<unsigned>(attrs.width),
                              static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    long n = 0, sx = 0, sy = 0;
    for (int py = 0; py < attrs.height; py += 2)
        for (int px = 0; px < attrs.width; px += 2)
            if ((XGetPixel(image, px, py) & 0xffffff) == rgb)
                n++, sx += px, sy += py;
    XDestroyImage(image);
    if (n < kPictureSize)
        return false;
    x = static_cast<int>(sx / n);
    y = static_cast<int>(sy / n);
    return true;
}

bool Bench::select(const char *name, KeySym key_sym)
{
    key(XK_Control_L, true);
    key(key_sym, true);
    key(key_sym, false);
    key(XK_Control_L, false);
    XSync(dpy_, False);
    return wait_for([&] { return title(win_) == name; });
}

PlayFigures Bench::play(double seconds)
{
    const pid_t view = view_->pid(), render = render_process(view);
    Damage damage = XDamageCreate(dpy_, win_, XDamageReportRawRectangles);
    XSync(dpy_, False);
    const double view_ns = cpu_ns(view), render_ns = cpu_ns(render),
                 server_ns = cpu_ns(server_pid_);
    const double t0 = wall_ms();
    std::set<unsigned long> frames, pictures;
    unsigned long last = 0, frame = 0;
    while (wall_ms() - t0 < seconds * 1000) {
        while (XPending(dpy_) > 0) {
            XEvent e;
            XNextEvent(dpy_, &e);
            if (e.type != damage_event_ + XDamageNotify)
                continue;
            const auto &d = reinterpret_cast<const XDamageNotifyEvent &>(e);
            if (d.timestamp - last > kFrameGapMs)
                frame = d.timestamp;  // a new frame begins
            last = d.timestamp;
            frames.insert(frame);
            if (d.area.width >= kPictureSize && d.area.height >= kPictureSize)
                pictures.insert(frame);  // the canvas repainted
        }
        usleep(1000);
    }
    const double wall = (wall_ms() - t0) * 1e6;
    PlayFigures f;
    f.view_cpu = (cpu_ns(view) - view_ns) / wall;
    f.render_cpu = (cpu_ns(render) - render_ns) / wall;
    f.server_cpu = (cpu_ns(server_pid_) - server_ns) / wall;
    XDamageDestroy(dpy_, damage);
    XSync(dpy_, True);  // drops what is left
    f.frames = static_cast<double>(frames.size()) / seconds;
    f.pictures = static_cast<double>(pictures.size()) / seconds;
    return f;
}

std::vector<double> Bench::tweak(int drags)
{
    std::vector<double> ms;
    // The picture's middle (where its grey is), then the number, once the
    // window shows the snippet.
    int px = 0, py = 0, nx = 0, ny = 0;
    if (!wait_for([&] { return locate(kTweakGrey, px, py) && find_number(nx, ny); }))
        return ms;
    for (int drag = 0; drag < drags; drag++) {
        const int direction = drag % 2 == 0 ? 1 : -1;
        move_to(nx, ny);
        key(XK_Control_L, true);
        XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
        XSync(dpy_, False);
        for (int step = 1; step <= kStepsPerDrag; step++) {
            const unsigned before = pixel(px, py);
            const double t0 = wall_ms();
            move_to(nx + direction * step * kStepPixels, ny);
            if (!wait_for([&] { return pixel(px, py) != before; }))
                break;
            ms.push_back(wall_ms() - t0);
            usleep(static_cast<useconds_t>(30000 + 20000 * (step % 3)));
        }
        XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
        key(XK_Control_L, false);
        XSync(dpy_, False);
        usleep(200000);
    }
    return ms;
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const double seconds = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 3;
    Bench bench;
    if (!bench.start()) {
        std::fprintf(stderr, "bench_quillview_live: no quillview window (see %s)\n",
                     bench.dir().c_str());
        return 1;
    }
    std::vector<double> pictures, frames, view_cpu, render_cpu, server_cpu, tweak_ms;
    for (int round = 0; round < rounds; round++) {
        usleep(1000000);  // the clock under way
        const PlayFigures f = bench.play(seconds);
        pictures.push_back(f.pictures);
        frames.push_back(f.frames);
        view_cpu.push_back(f.view_cpu);
        render_cpu.push_back(f.render_cpu);
        server_cpu.push_back(f.server_cpu);
        if (!bench.select("tweak — quillview", XK_Page_Down)) {
            std::fprintf(stderr, "bench_quillview_live: cannot select the tweak snippet\n");
            return 1;
        }
        const std::vector<double> ms = bench.tweak(2);
        tweak_ms.insert(tweak_ms.end(), ms.begin(), ms.end());
        if (!bench.select("clock — quillview", XK_Page_Up))
            return 1;
        std::printf("round %d: %.1f pictures/s of %.1f frames/s, CPU %.1f%% + %.1f%% + X %.1f%%, "
                    "%zu tweak steps\n",
                    round + 1, f.pictures, f.frames, f.view_cpu * 100, f.render_cpu * 100,
                    f.server_cpu * 100, ms.size());
    }
    using quillkit_bench::median;
    const double rate = median(pictures), display = median(frames);
    const bool play_met = rate >= kMinPictureRate && rate >= kDisplayShare * display;
    std::printf("play, the clock at %d px: %.1f new pictures a second on screen; the display "
                "%.1f frames a second\n  target at least %.0f and %.0f%% of the display's: %s\n",
                kPictureSize, rate, display, kMinPictureRate, kDisplayShare * 100,
                play_met ? "met" : "NOT met");
    std::printf("  CPU while playing, in shares of one core: quillview %.1f%% + its render process "
                "%.1f%% = %.1f%%; Xvfb %.1f%%\n",
                median(view_cpu) * 100, median(render_cpu) * 100,
                (median(view_cpu) + median(render_cpu)) * 100, median(server_cpu) * 100);
    const double tweak = median(tweak_ms);
    std::printf("tweak, a drag's step to its pixels on screen: median %.1f ms over %zu steps "
                "(slowest %.1f ms)\n  target at most %.0f ms: %s\n",
                tweak, tweak_ms.size(),
                tweak_ms.empty() ? 0.0 : *std::max_element(tweak_ms.begin(), tweak_ms.end()),
                kTweakTargetMs, !tweak_ms.empty() && tweak <= kTweakTargetMs ? "met" : "NOT met");
    return 0;
}

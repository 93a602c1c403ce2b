// reload_bench.cpp - quillview's speed as a user sees it, under a private
// Xvfb, reading the window's pixels back from the server:
//
//   save to pixels   a 30-line snippet at 512 px saved (a new file renamed
//                    over it) until its new colour is on screen; the split
//                    (generate, compile, load, draw) from quillview's own
//                    QUILLVIEW_TIMINGS lines; baseline in the same rounds:
//                    the C compiler alone on the same module
//   open a folder    quillview started on 100 snippets until the first one
//                    is on screen; baseline in the same rounds: a folder of
//                    one snippet
//
//   bench_quillview [saves] [opens]     (default 20 and 5)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "rounds.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

constexpr double kSaveTargetMs = 150;
constexpr double kOpenTargetMs = 1000;
constexpr int kPictureSize = 512;
constexpr int kFolderSnippets = 100;
constexpr double kWaitMs = 30000;

double wall_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// A child process, killed and reaped when it goes.
class Child {
public:
    Child(const std::vector<std::string> &argv, const std::vector<std::string> &env,
          const std::string &cwd, const std::string &err_path, int keep_fd = -1)
    {
        std::vector<std::string> envs(env);
        for (char **e = environ; *e != nullptr; ++e)
            envs.push_back(*e);  // ours after: the first of a name wins
        std::vector<char *> args, envp;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string &e : envs)
            envp.push_back(const_cast<char *>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (keep_fd >= 0)
            posix_spawn_file_actions_adddup2(&actions, keep_fd, keep_fd);
        if (!cwd.empty())
            posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            const double deadline = wall_ms() + 5000;
            while (waitpid(pid_, nullptr, WNOHANG) == 0) {
                if (wall_ms() > deadline) {
                    kill(pid_, SIGKILL);
                    waitpid(pid_, nullptr, 0);
                    break;
                }
                usleep(10000);
            }
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    bool ok() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

int ignore_x_errors(Display *, XErrorEvent *)
{
    return 0;
}

std::string snippet_text(unsigned rgb)
{
    std::ostringstream s;
    s << "/* a colour over the square, and a row of small shapes */\n";
    s << "cairo_set_source_rgb (cr, " << ((rgb >> 16) & 255) / 255.0 << ", "
      << ((rgb >> 8) & 255) / 255.0 << ", " << (rgb & 255) / 255.0 << ");\n";
    s << "cairo_paint (cr);\ncairo_set_source_rgb (cr, 0.2, 0.2, 0.2);\n";
    for (int i = 0; i < 13; i++)
        s << "cairo_rectangle (cr, " << 0.02 + 0.07 * i << ", 0.02, 0.04, 0.04);\n"
          << "cairo_fill (cr);\n";
    return s.str();  // 30 lines
}

void save(const fs::path &file, const std::string &text)
{
    {
        std::ofstream out(file.string() + ".new", std::ios::trunc);
        out << text;
    }
    fs::rename(file.string() + ".new", file);
}

class Bench {
public:
    Bench() : dir_(fs::temp_directory_path() / ("bench_quillview." + std::to_string(getpid())))
    {
        fs::create_directories(dir_ / "tmp");
        signal(SIGPIPE, SIG_IGN);
    }
    ~Bench()
    {
        if (dpy_ != nullptr)
            XCloseDisplay(dpy_);
        xvfb_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    bool start_server()
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
        display_ = ":" + number;
        const double deadline = wall_ms() + 15000;
        while (!number.empty() && (dpy_ = XOpenDisplay(display_.c_str())) == nullptr &&
               wall_ms() < deadline)
            usleep(20000);
        XSetErrorHandler(&ignore_x_errors);
        return dpy_ != nullptr;
    }

    std::unique_ptr<Child> start_view(const fs::path &folder, const std::string &err_name,
                                      const std::vector<std::string> &args = {})
    {
        const std::string home = dir_.string();
        std::vector<std::string> argv = {QUILLVIEW_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return std::make_unique<Child>(
            argv,
            std::vector<std::string>{"DISPLAY=" + display_, "GDK_BACKEND=x11", "GSK_RENDERER=cairo",
                                     "GTK_A11Y=none", "NO_AT_BRIDGE=1",
                                     "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/no-bus",
                                     "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                                     "XDG_CACHE_HOME=" + home + "/cache", "TMPDIR=" + home + "/tmp",
                                     "QUILLVIEW_TIMINGS=1"},
            folder.string(), (dir_ / err_name).string());
    }

    // The top-level window whose title names quillview, or None.
    Window find_window()
    {
        Window root, parent, *children = nullptr, found = None;
        unsigned n = 0;
        if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && found == None; i++) {
                char *name = nullptr;
                XTextProperty prop;
                if (XGetWMName(dpy_, children[i], &prop) && prop.value != nullptr) {
                    name = reinterpret_cast<char *>(prop.value);
                    if (std::string(name).find("quillview") != std::string::npos)
                        found = children[i];
                    XFree(prop.value);
                }
            }
            XFree(children);
        }
        return found;
    }

    // Where the window shows `rgb` (the middle of all such pixels), or false.
    bool locate(Window win, unsigned rgb, int &cx, int &cy)
    {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(dpy_, win, &attrs) || attrs.map_state != IsViewable)
            return false;
        XImage *image = XGetImage(dpy_, win, 0, 0, static_cast<unsigned>(attrs.width),
                                  static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
        if (image == nullptr)
            return false;
        long n = 0, sx = 0, sy = 0;
        for (int y = 0; y < attrs.height; y += 2)
            for (int x = 0; x < attrs.width; x += 2)
                if ((XGetPixel(image, x, y) & 0xffffff) == rgb)
                    n++, sx += x, sy += y;
        XDestroyImage(image);
        if (n < 100)
            return false;
        cx = static_cast<int>(sx / n), cy = static_cast<int>(sy / n);
        return true;
    }

    unsigned pixel(Window win, int x, int y)
    {
        XImage *image = XGetImage(dpy_, win, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr)
            return 0xffffffff;
        const unsigned p = static_cast<unsigned>(XGetPixel(image, 0, 0) & 0xffffff);
        XDestroyImage(image);
        return p;
    }

    // Milliseconds from start until quillview shows `rgb` anywhere; <0 on timeout.
    double open_ms(const fs::path &folder, unsigned rgb)
    {
        const double t0 = wall_ms();
        auto view = start_view(folder, "open.log");
        Window win = None;
        int cx, cy;
        while (wall_ms() - t0 < kWaitMs) {
            if (win == None)
                win = find_window();
            if (win != None && locate(win, rgb, cx, cy))
                return wall_ms() - t0;
            usleep(2000);
        }
        return -1;
    }

    const fs::path &dir() const { return dir_; }
    Display *dpy() const { return dpy_; }

private:
    fs::path dir_;
    std::unique_ptr<Child> xvfb_;
    std::string display_;
    Display *dpy_ = nullptr;
};

// The last QUILLVIEW_TIMINGS line's four figures.
bool last_timings(const fs::path &log, double split[4])
{
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find("quillview: timings") == 0)
            last = line;
    const std::size_t colon = last.find(": ", 18);
    return colon != std::string::npos &&
           std::sscanf(last.c_str() + colon,
                       ": generate %lf ms, compile %lf ms, load %lf ms, draw %lf ms", &split[0],
                       &split[1], &split[2], &split[3]) == 4;
}

double median_of(std::vector<double> v)
{
    return quillkit_bench::median(std::move(v));
}

}  // namespace

int main(int argc, char **argv)
{
    const int saves = argc > 1 ? std::atoi(argv[1]) : 20;
    const int opens = argc > 2 ? std::atoi(argv[2]) : 5;
    Bench bench;
    if (!bench.start_server()) {
        std::fprintf(stderr, "bench_quillview: cannot start Xvfb\n");
        return 1;
    }
    bool all_met = true;
    constexpr unsigned kColours[2] = {0x0000ff, 0xff0000};

    // --- save to pixels ---
    const fs::path one = bench.dir() / "one";
    fs::create_directories(one);
    const fs::path file = one / "shapes.cairo";
    save(file, snippet_text(kColours[1]));
    {
        auto view = bench.start_view(one, "save.log", {"--size=" + std::to_string(kPictureSize)});
        Window win = None;
        int cx = 0, cy = 0;
        const double t0 = wall_ms();
        while ((win == None || !bench.locate(win, kColours[1], cx, cy)) &&
               wall_ms() - t0 < kWaitMs) {
            if (win == None)
                win = bench.find_window();
            usleep(5000);
        }
        if (win == None) {
            std::fprintf(stderr, "bench_quillview: no picture from quillview\n");
            return 1;
        }
        // The compiler alone on the module quillview generated, in the same rounds.
        const fs::path module_dir = bench.dir() / "module";
        fs::create_directories(module_dir);
        save(module_dir / "shapes.cairo", snippet_text(kColours[0]));
        const std::string compile =
            "cd '" + module_dir.string() +
            "' && " QUILLMAKE_PATH " --line-directives --output=shapes.c shapes.cairo && cc -O0 "
            "-shared -fPIC -I" BUILD_INCLUDEDIR " -I" BUILD_INCLUDEDIR
            "/quillkit $(pkg-config --cflags cairo) -o shapes.so shapes.c -lm";
        std::vector<double> total, ratio, parts[4];
        for (int round = 0; round < saves; round++) {
            const unsigned colour = kColours[round % 2];
            const double start = wall_ms();
            save(file, snippet_text(colour));
            while (bench.pixel(win, cx, cy) != colour && wall_ms() - start < kWaitMs)
                usleep(500);
            const double took = wall_ms() - start;
            double split[4];
            if (last_timings(bench.dir() / "save.log", split))
                for (int k = 0; k < 4; k++)
                    parts[k].push_back(split[k]);
            const double c0 = wall_ms();
            if (std::system(compile.c_str()) != 0)
                std::fprintf(stderr, "bench_quillview: the baseline compile failed\n");
            const double baseline = wall_ms() - c0;
            total.push_back(took);
            ratio.push_back(took / baseline);
        }
        const double med = median_of(total);
        const bool met = med <= kSaveTargetMs;
        all_met = all_met && met;
        std::printf("save to pixels, %d saves of a 30-line snippet at %d px (wall time, ms):\n",
                    saves, kPictureSize);
        std::printf("  median %.1f ms: generate %.1f, compile %.1f, load %.2f, draw %.2f\n", med,
                    median_of(parts[0]), median_of(parts[1]), median_of(parts[2]),
                    median_of(parts[3]));
        std::printf("  %.2f times quillmake + cc alone on the same snippet (median of per-round "
                    "ratios)\n",
                    median_of(ratio));
        std::printf("  target: at most %.0f ms: %s\n", kSaveTargetMs, met ? "met" : "NOT met");
    }

    // --- open a folder ---
    const fs::path many = bench.dir() / "many", single = bench.dir() / "single";
    fs::create_directories(many);
    fs::create_directories(single);
    for (int i = 0; i < kFolderSnippets; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "s%03d.cairo", i);
        save(many / name, snippet_text(i == 0 ? kColours[0] : 0x00ff00));
    }
    save(single / "s000.cairo", snippet_text(kColours[0]));
    std::vector<double> hundred, base, ratio;
    for (int round = 0; round < opens; round++) {
        // Alternate which goes first.
        double a, b;
        if (round % 2 == 0) {
            a = bench.open_ms(many, kColours[0]);
            b = bench.open_ms(single, kColours[0]);
        } else {
            b = bench.open_ms(single, kColours[0]);
            a = bench.open_ms(many, kColours[0]);
        }
        hundred.push_back(a);
        base.push_back(b);
        ratio.push_back(a / b);
    }
    const double med = median_of(hundred);
    const bool met = med > 0 && med < kOpenTargetMs;
    all_met = all_met && met;
    std::printf("open a folder to the first picture, %d rounds (wall time, ms):\n", opens);
    std::printf("  %d snippets: median %.0f ms; one snippet: %.0f ms; ratio %.2f\n",
                kFolderSnippets, med, median_of(base), median_of(ratio));
    std::printf("  target: under %.0f ms: %s\n", kOpenTargetMs, met ? "met" : "NOT met");
    return all_met ? 0 : 1;
}

// reload_bench.cpp - quillview's speed as a user sees it, under a private
// Xvfb, reading the window's pixels back from the server:
//
//   save to pixels   a 30-line snippet at 512 px saved by this process (a
//                    new file renamed over it) until its new colour is on
//                    screen, split by quillview's QUILLVIEW_TIMINGS lines;
//                    baseline in the same rounds, in turn first and second:
//                    one `cc -O0 -shared` of the module quillmake makes of
//                    the same snippet
//   keystroke        a key typed into the editor (XTest) until the new
//                    colour is on screen, less the 300 ms typing pause
//   open a folder    quillview started on 100 snippets until the first one
//                    is on screen; baseline in the same rounds: a folder of
//                    one snippet
//
//   bench_quillview [saves] [keys] [opens]     (default 20, 10 and 5)
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bench_x.h"
#include "quillview_log.h"
#include "rounds.h"

namespace {

namespace fs = std::filesystem;
using namespace quillview_bench;

constexpr double kSaveTargetMs = 30;
constexpr double kRatioTarget = 0.4;
constexpr double kOpenTargetMs = 1000;
constexpr double kTypingPauseMs = 300;  // the editor's, before it hands text over
constexpr int kPictureSize = 512;
constexpr int kFolderSnippets = 100;
constexpr double kWaitMs = 30000;
constexpr unsigned kBlue = 0x0000ff, kRed = 0xff0000;
constexpr int kEditorX = 1100, kEditorY = 300;  // in the editor of a 1280 px window

// 30 lines: `int k` first (a key typed after its 0 changes it), the colour
// `rgb` (or, `from_k`, red for an odd k and blue for an even one), then a row
// of small shapes.
std::string snippet_text(unsigned rgb, bool from_k = false)
{
    std::ostringstream s;
    s << "int k = 0\n;\n";
    if (from_k)
        s << "cairo_set_source_rgb (cr, k % 2, 0, 1 - k % 2);\n";
    else
        s << "cairo_set_source_rgb (cr, " << ((rgb >> 16) & 255) / 255.0 << ", "
          << ((rgb >> 8) & 255) / 255.0 << ", " << (rgb & 255) / 255.0 << ");\n";
    s << "cairo_paint (cr);\ncairo_set_source_rgb (cr, 0.2, 0.2, 0.2);\n";
    for (int i = 0; i < 12; i++)
        s << "cairo_rectangle (cr, " << 0.02 + 0.07 * i << ", 0.02, 0.04, 0.04);\n"
          << "cairo_fill (cr);\n";
    return s.str();
}

// Writes `text` beside `file` and renames it over; the moment of the rename.
double save(const fs::path &file, const std::string &text)
{
    {
        std::ofstream out(file.string() + ".new", std::ios::trunc);
        out << text;
    }
    const double at = wall_ms();
    fs::rename(file.string() + ".new", file);
    return at;
}

double median_of(std::vector<double> v)
{
    return v.empty() ? 0 : quillkit_bench::median(std::move(v));
}

std::string first_line(const char *command)
{
    std::string out;
    if (FILE *p = popen(command, "r")) {
        char line[256];
        if (std::fgets(line, sizeof line, p) != nullptr)
            out = line;
        pclose(p);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

class Bench {
public:
    Bench()
        : dir_(fs::temp_directory_path() / ("bench_quillview." + std::to_string(getpid()))),
          made_(fs::create_directories(dir_ / "tmp")), screen_(dir_)
    {
    }
    ~Bench()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    bool ok() const { return screen_.ok(); }
    const fs::path &dir() const { return dir_; }
    const XServer &screen() const { return screen_; }

    std::unique_ptr<Child> start_view(const fs::path &folder, const std::string &log,
                                      const std::vector<std::string> &args = {}) const
    {
        const std::string home = dir_.string();
        std::vector<std::string> argv = {QUILLVIEW_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return std::make_unique<Child>(
            argv,
            std::vector<std::string>{"DISPLAY=" + screen_.name(), "GDK_BACKEND=x11",
                                     "GSK_RENDERER=cairo", "GTK_A11Y=none", "NO_AT_BRIDGE=1",
                                     "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/no-bus",
                                     "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                                     "XDG_CACHE_HOME=" + home + "/cache", "TMPDIR=" + home + "/tmp",
                                     "QUILLVIEW_TIMINGS=1"},
            folder.string(), (dir_ / log).string());
    }

    // Waits until quillview shows `rgb` somewhere; its window, or None.
    Window wait_for(unsigned rgb, int &cx, int &cy) const
    {
        const double t0 = wall_ms();
        Window win = None;
        while (wall_ms() - t0 < kWaitMs) {
            if (win == None)
                win = screen_.find_window();
            if (win != None && screen_.locate(win, rgb, cx, cy))
                return win;
            usleep(2000);
        }
        return None;
    }

    // Milliseconds from start until quillview shows `rgb` anywhere; <0 on timeout.
    double open_ms(const fs::path &folder, unsigned rgb) const
    {
        const double t0 = wall_ms();
        auto view = start_view(folder, "open.log");
        int cx, cy;
        return wait_for(rgb, cx, cy) != None ? wall_ms() - t0 : -1;
    }

    // Polls (x, y) of `win` until it is `rgb`; the moment it was seen.
    double seen(Window win, int x, int y, unsigned rgb) const
    {
        const double t0 = wall_ms();
        while (screen_.pixel(win, x, y) != rgb && wall_ms() - t0 < kWaitMs)
            usleep(200);
        return wall_ms();
    }

    // Waits until the log has more than `before` moments lines (the build
    // on screen) and quillview's check by the C compiler after it is done.
    void settle(const Child &view, const fs::path &log, int before) const
    {
        const double t0 = wall_ms();
        while ((moments_count(log) <= before || view.has_child("cc")) && wall_ms() - t0 < kWaitMs)
            usleep(1000);
    }

private:
    fs::path dir_;
    bool made_;
    XServer screen_;
};

// Each part of a save's or a key's way to the screen, over the rounds.
struct Split {
    std::vector<double> total, wake, queue, generate, compile, load, draw, handover, frame, shown;

    void add(double from, double on_screen, const BuildReport &r)
    {
        total.push_back(on_screen - from);
        wake.push_back(r.wake - from);
        queue.push_back(r.start - r.wake);
        generate.push_back(r.generate);
        compile.push_back(r.compile);
        load.push_back(r.load);
        draw.push_back(r.draw);
        handover.push_back(r.applied - r.start - r.generate - r.compile - r.load - r.draw);
        frame.push_back(r.frame - r.applied);
        shown.push_back(on_screen - r.frame);
    }
    void print(const char *from) const
    {
        const auto row = [](const char *name, const std::vector<double> &v, const char *what) {
            std::printf("    %-9s %7.2f  %s\n", name, median_of(v), what);
        };
        std::printf("  split (median of each part):\n");
        row("wake-up", wake, from);
        row("queue", queue, "until the build began on a worker thread");
        row("generate", generate, "the module written (quillmake's writer, in the window)");
        row("compile", compile, "the C compiler (0: libtcc compiles in the render process)");
        row("load", load, "the render process compiling with libtcc and loading the code");
        row("render", draw, "the snippet drawing the picture");
        row("hand-over", handover, "the pixels in shared memory to the window, applied");
        row("frame", frame, "from applied to the window's frame painted");
        row("screen", shown, "from the frame to its pixels read back (polled every 0.2 ms)");
    }
};

}  // namespace

int main(int argc, char **argv)
{
    const int saves = argc > 1 ? std::atoi(argv[1]) : 20;
    const int keys = argc > 2 ? std::atoi(argv[2]) : 10;
    const int opens = argc > 3 ? std::atoi(argv[3]) : 5;
    Bench bench;
    if (!bench.ok()) {
        std::fprintf(stderr, "bench_quillview: cannot start Xvfb\n");
        return 1;
    }
    const XServer &screen = bench.screen();
    bool all_met = true;
    const auto verdict = [&](bool met) {
        all_met = all_met && met;
        return met ? "met" : "NOT met";
    };

    // --- save to pixels, against cc alone ---
    const fs::path one = bench.dir() / "one", module_dir = bench.dir() / "module";
    fs::create_directories(one);
    fs::create_directories(module_dir);
    const fs::path file = one / "shapes.cairo", log = bench.dir() / "save.log";
    save(file, snippet_text(kRed));
    auto view = bench.start_view(one, "save.log", {"--size=" + std::to_string(kPictureSize)});
    int cx = 0, cy = 0;
    const Window win = bench.wait_for(kRed, cx, cy);
    if (win == None) {
        std::fprintf(stderr, "bench_quillview: no picture from quillview\n");
        return 1;
    }
    bench.settle(*view, log, 0);
    std::vector<std::string> cc = {
        "cc", "-O0", "-shared", "-fPIC", "-I" BUILD_INCLUDEDIR, "-I" BUILD_INCLUDEDIR "/quillkit"};
    std::istringstream cflags(first_line("pkg-config --cflags cairo"));
    for (std::string flag; cflags >> flag;)
        cc.push_back(flag);
    cc.insert(cc.end(), {"-o", "shapes.so", "shapes.c", "-lm"});
    const std::string cc_log = (bench.dir() / "cc.log").string();
    Split split;
    std::vector<double> ratio, baseline;
    for (int round = 0; round < saves; round++) {
        const unsigned colour = round % 2 == 0 ? kBlue : kRed;
        double took = 0, compiled = 0;
        const auto quillview = [&] {
            const int before = moments_count(log);
            const double at = save(file, snippet_text(colour));
            const double on_screen = bench.seen(win, cx, cy, colour);
            bench.settle(*view, log, before);
            BuildReport r;
            if (last_build(log, r))
                split.add(at, on_screen, r);
            took = on_screen - at;
        };
        const auto compiler = [&] {
            save(module_dir / "shapes.cairo", snippet_text(colour));
            if (Child({QUILLMAKE_PATH, "--line-directives", "--output=shapes.c", "shapes.cairo"},
                      {}, module_dir.string(), cc_log)
                    .wait() != 0)
                std::fprintf(stderr, "bench_quillview: quillmake failed\n");
            const double c0 = wall_ms();
            if (Child(cc, {}, module_dir.string(), cc_log).wait() != 0)
                std::fprintf(stderr, "bench_quillview: the baseline compile failed\n");
            compiled = wall_ms() - c0;
        };
        if (round % 2 == 0) {
            quillview();
            compiler();
        } else {
            compiler();
            quillview();
        }
        baseline.push_back(compiled);
        ratio.push_back(took / compiled);
    }
    const double med = median_of(split.total), rat = median_of(ratio);
    std::printf("save to pixels, %d saves of a 30-line snippet at %d px (ms):\n", saves,
                kPictureSize);
    std::printf("  median %.2f: renamed over the snippet by another process until its new colour "
                "is read back from the X server\n",
                med);
    split.print("from the rename until quillview read the file (inotify)");
    std::printf("  target: at most %.0f ms: %s\n", kSaveTargetMs, verdict(med <= kSaveTargetMs));
    std::printf("  one `cc -O0 -shared` of the same module (quillmake's, same rounds): median "
                "%.2f ms; ratio %.3f (median of per-round ratios)\n",
                median_of(baseline), rat);
    std::printf("  target: ratio at most %.1f: %s\n", kRatioTarget, verdict(rat <= kRatioTarget));

    // --- a key typed into the editor ---
    {
        const int before = moments_count(log);
        save(file, snippet_text(0, true));  // k = 0: blue
        bench.seen(win, cx, cy, kBlue);
        bench.settle(*view, log, before);
    }
    screen.click(win, kEditorX, kEditorY);
    screen.key(XK_Home, {XK_Control_L});
    screen.key(XK_End);  // after `int k = 0`
    Split typed;
    for (int round = 0; round < keys; round++) {
        const bool odd = round % 2 == 0;  // "01": k odd, red; back to "0": blue
        const int before = moments_count(log);
        screen.key(odd ? XK_1 : XK_BackSpace);
        const double at = wall_ms();
        const double on_screen = bench.seen(win, cx, cy, odd ? kRed : kBlue);
        bench.settle(*view, log, before);
        BuildReport r;
        if (last_build(log, r))
            typed.add(at + kTypingPauseMs, on_screen, r);
    }
    std::printf("keystroke to pixels, %d keys typed into the editor (XTest) (ms):\n", keys);
    std::printf("  median %.2f: the key until its colour is read back, less the %.0f ms typing "
                "pause\n",
                median_of(typed.total), kTypingPauseMs);
    typed.print("from the pause's end until the editor's text was handed over");

    view.reset();

    // --- open a folder ---
    const fs::path many = bench.dir() / "many", single = bench.dir() / "single";
    fs::create_directories(many);
    fs::create_directories(single);
    for (int i = 0; i < kFolderSnippets; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "s%03d.cairo", i);
        save(many / name, snippet_text(i == 0 ? kBlue : 0x00ff00));
    }
    save(single / "s000.cairo", snippet_text(kBlue));
    std::vector<double> hundred, base, open_ratio;
    for (int round = 0; round < opens; round++) {
        double a, b;
        if (round % 2 == 0) {
            a = bench.open_ms(many, kBlue);
            b = bench.open_ms(single, kBlue);
        } else {
            b = bench.open_ms(single, kBlue);
            a = bench.open_ms(many, kBlue);
        }
        hundred.push_back(a);
        base.push_back(b);
        open_ratio.push_back(a / b);
    }
    const double open_med = median_of(hundred);
    std::printf("open a folder to the first picture, %d rounds (wall time, ms):\n", opens);
    std::printf("  %d snippets: median %.0f ms; one snippet: %.0f ms; ratio %.2f\n",
                kFolderSnippets, open_med, median_of(base), median_of(open_ratio));
    std::printf("  target: under %.0f ms: %s\n", kOpenTargetMs,
                verdict(open_med > 0 && open_med < kOpenTargetMs));
    std::printf("load (uptime): %s\n", first_line("uptime").c_str());
    return all_met ? 0 : 1;
}

// bench_x.h - what bench_quillview drives: child processes (killed and
// reaped when they go), a private Xvfb, the window's pixels read back from
// the server, and keys and clicks through XTest.
#ifndef QUILLKIT_BENCH_QUILLVIEW_BENCH_X_H
#define QUILLKIT_BENCH_QUILLVIEW_BENCH_X_H

#include <X11/Xlib.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quillview_bench {

// Milliseconds of CLOCK_MONOTONIC, the clock of quillview's moments.
double wall_ms();

class Child {
public:
    // Starts `argv` with `env` before ours, in `cwd`, standard error into
    // `err_path` (standard output to /dev/null); `keep_fd` is handed down.
    Child(const std::vector<std::string> &argv, const std::vector<std::string> &env,
          const std::string &cwd, const std::string &err_path, int keep_fd = -1);
    ~Child();  // SIGTERM, SIGKILL after 5 s
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    bool ok() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Whether a child of this one named `name` runs.
    bool has_child(const std::string &name) const;
    // Waits for it to end; its exit status, or -1.
    int wait();

private:
    pid_t pid_ = -1;
};

class XServer {
public:
    explicit XServer(const std::filesystem::path &dir);  // starts Xvfb, 1600x1000
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;
    bool ok() const { return dpy_ != nullptr; }
    const std::string &name() const { return name_; }

    // The top-level window whose title names quillview, or None.
    Window find_window() const;
    // Where `win` shows `rgb` (the middle of all such pixels), or false.
    bool locate(Window win, unsigned rgb, int &cx, int &cy) const;
    unsigned pixel(Window win, int x, int y) const;  // 0xRRGGBB
    void click(Window win, int x, int y) const;
    void key(KeySym sym, const std::vector<KeySym> &modifiers = {}) const;

private:
    std::unique_ptr<Child> xvfb_;
    std::string name_;
    Display *dpy_ = nullptr;
};

}  // namespace quillview_bench

#endif  // QUILLKIT_BENCH_QUILLVIEW_BENCH_X_H

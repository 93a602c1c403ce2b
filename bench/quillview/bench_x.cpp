// bench_x.cpp - children, the private Xvfb, pixels, keys and clicks.
#include "bench_x.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

extern char **environ;

namespace quillview_bench {

namespace {

int ignore_x_errors(Display *, XErrorEvent *)
{
    return 0;
}

}  // namespace

double wall_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

Child::Child(const std::vector<std::string> &argv, const std::vector<std::string> &env,
             const std::string &cwd, const std::string &err_path, int keep_fd)
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
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (keep_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, keep_fd, keep_fd);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

int Child::wait()
{
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_)
        return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Child::has_child(const std::string &name) const
{
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(e.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size())
            continue;
        const long parent = std::strtol(stat.c_str() + close + 4, nullptr, 10);
        if (parent == pid_ && stat.compare(open + 1, close - open - 1, name) == 0)
            return true;
    }
    return false;
}

Child::~Child()
{
    if (pid_ <= 0)
        return;
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

XServer::XServer(const std::filesystem::path &dir)
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    xvfb_ = std::make_unique<Child>(
        std::vector<std::string>{XVFB_PATH, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                 "1600x1000x24", "-nolisten", "tcp", "-noreset"},
        std::vector<std::string>{}, "", (dir / "xvfb.log").string(), fds[1]);
    close(fds[1]);
    std::string number;
    char c;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    name_ = ":" + number;
    const double deadline = wall_ms() + 15000;
    while (!number.empty() && (dpy_ = XOpenDisplay(name_.c_str())) == nullptr &&
           wall_ms() < deadline)
        usleep(20000);
    XSetErrorHandler(&ignore_x_errors);
}

XServer::~XServer()
{
    if (dpy_ != nullptr)
        XCloseDisplay(dpy_);
}

Window XServer::find_window() const
{
    Window root, parent, *children = nullptr, found = None;
    unsigned n = 0;
    if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && found == None; i++) {
            XTextProperty prop;
            if (XGetWMName(dpy_, children[i], &prop) && prop.value != nullptr) {
                if (std::string(reinterpret_cast<char *>(prop.value)).find("quillview") !=
                    std::string::npos)
                    found = children[i];
                XFree(prop.value);
            }
        }
        XFree(children);
    }
    return found;
}

bool XServer::locate(Window win, unsigned rgb, int &cx, int &cy) const
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

unsigned XServer::pixel(Window win, int x, int y) const
{
    XImage *image = XGetImage(dpy_, win, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xffffffff;
    const unsigned p = static_cast<unsigned>(XGetPixel(image, 0, 0) & 0xffffff);
    XDestroyImage(image);
    return p;
}

void XServer::click(Window win, int x, int y) const
{
    Window child;
    int rx = 0, ry = 0;
    XTranslateCoordinates(dpy_, win, DefaultRootWindow(dpy_), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(dpy_, DefaultScreen(dpy_), rx, ry, CurrentTime);
    XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
    XSync(dpy_, False);
}

void XServer::key(KeySym sym, const std::vector<KeySym> &modifiers) const
{
    for (KeySym m : modifiers)
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, m), True, CurrentTime);
    const KeyCode code = XKeysymToKeycode(dpy_, sym);
    XTestFakeKeyEvent(dpy_, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, *m), False, CurrentTime);
    XSync(dpy_, False);
}

}  // namespace quillview_bench

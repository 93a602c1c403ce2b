// xvfb_server.cpp - starting, reaching and stopping a private Xvfb.
#include "xvfb_server.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quill_test {

namespace {

constexpr int kFirstDisplay = 90;
constexpr int kLastDisplay = 189;
constexpr auto kStartTimeout = std::chrono::seconds(15);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr int kExecFailed = 127;

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string lock_path(int number) { return "/tmp/.X" + std::to_string(number) + "-lock"; }
std::string socket_path(int number) { return "/tmp/.X11-unix/X" + std::to_string(number); }

// The pid written in the display's lock file, or -1.
pid_t lock_owner(int number)
{
    std::ifstream in(lock_path(number));
    long pid = -1;
    if (!(in >> pid))
        return -1;
    return static_cast<pid_t>(pid);
}

bool alive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

// A display is taken while its lock names a live process (or cannot be read
// yet). A lock left by a dead server is not: Xvfb replaces it, and the old
// socket with it. A socket without any lock is left alone.
bool display_taken(int number)
{
    if (exists(lock_path(number))) {
        const pid_t owner = lock_owner(number);
        return owner < 0 || alive(owner);
    }
    return exists(socket_path(number));
}

// Waits for `pid` to end, up to `timeout`; true when it has been reaped.
bool reap_within(pid_t pid, std::chrono::steady_clock::duration timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

} // namespace

XvfbServer::XvfbServer(const std::vector<std::string> &extra_args)
{
    for (int n = kFirstDisplay; n <= kLastDisplay; ++n) {
        if (display_taken(n))
            continue;
        if (try_display(n, extra_args))
            return;
        if (!error_.empty())
            return; // a failure no other display number would cure
    }
    error_ = "no free display number between :" + std::to_string(kFirstDisplay) + " and :" +
             std::to_string(kLastDisplay);
}

XvfbServer::~XvfbServer() { stop(); }

bool XvfbServer::try_display(int number, const std::vector<std::string> &extra_args)
{
    const std::string name = ":" + std::to_string(number);
    std::vector<std::string> args = {"Xvfb", name, "-screen", "0", "640x480x24", "-nolisten", "tcp"};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error_ = "fork failed";
        return false;
    }
    if (pid == 0) {
        // Never outlive the test, even one that crashes; SIGTERM lets the
        // server remove its lock file and socket.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(kExecFailed);
        const int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(kExecFailed);
    }
    pid_ = pid;

    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            // Gone: another server took this number first, or no Xvfb.
            pid_ = -1;
            if (WIFEXITED(status) && WEXITSTATUS(status) == kExecFailed)
                error_ = "cannot run Xvfb (is the xvfb package installed?)";
            return false;
        }
        // Connect only once the lock file shows the display is ours.
        if (lock_owner(number) == pid) {
            display_ = XOpenDisplay(name.c_str());
            if (display_ != nullptr) {
                name_ = name;
                return true;
            }
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    error_ = "Xvfb " + name + " did not accept a connection in time";
    stop();
    return false;
}

void XvfbServer::stop()
{
    if (display_ != nullptr) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!reap_within(pid_, kStopTimeout)) {
            kill(pid_, SIGKILL);
            reap_within(pid_, kStopTimeout);
        }
        pid_ = -1;
    }
}

} // namespace quill_test

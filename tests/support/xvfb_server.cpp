// xvfb_server.cpp - starting, reaching and stopping a private Xvfb.
#include "xvfb_server.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>

namespace quillkit_test {

namespace {

constexpr int first_display = 90;
constexpr int last_display = 189;
constexpr int start_timeout_ms = 15000;
constexpr int poll_ms = 20;

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string lock_path(int number)
{
    return "/tmp/.X" + std::to_string(number) + "-lock";
}
std::string socket_path(int number)
{
    return "/tmp/.X11-unix/X" + std::to_string(number);
}

// The pid written in the display's lock file, or -1 when there is no lock or
// it holds no number yet.
pid_t lock_owner(int number)
{
    const std::string text = read_file(lock_path(number));
    char *end = nullptr;
    const long pid = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || pid <= 0)
        return -1;
    return static_cast<pid_t>(pid);
}

bool alive(pid_t pid)
{
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// A display is taken while its lock names a live process, or is still being
// written. A lock left by a dead server is not: Xvfb replaces it, and the old
// socket with it. A socket without any lock is left alone.
bool display_taken(int number)
{
    if (exists(lock_path(number))) {
        const pid_t owner = lock_owner(number);
        return owner < 0 || alive(owner);
    }
    return exists(socket_path(number));
}

}  // namespace

XvfbServer::XvfbServer(const std::vector<std::string> &extra_args)
{
    for (int n = first_display; n <= last_display; ++n) {
        if (display_taken(n))
            continue;
        switch (try_display(n, extra_args)) {
        case Attempt::started:
            return;
        case Attempt::failed:
            return;  // a failure no other display number would cure
        case Attempt::display_lost:
            break;
        }
    }
    error_ = "no display number between :" + std::to_string(first_display) +
             " and :" + std::to_string(last_display) + " could be used";
}

XvfbServer::~XvfbServer()
{
    if (display_ != nullptr)
        XCloseDisplay(display_);
    process_.reset();
}

XvfbServer::Attempt XvfbServer::try_display(int number, const std::vector<std::string> &extra_args)
{
    const std::string name = ":" + std::to_string(number);
    std::vector<std::string> argv = {XVFB_PATH,    name,        "-screen", "0",
                                     "640x480x24", "-nolisten", "tcp",     "-noreset"};
    argv.insert(argv.end(), extra_args.begin(), extra_args.end());
    auto process = std::make_unique<ChildProcess>(argv, std::vector<std::string>{}, "", SIGTERM);
    if (!process->started()) {
        error_ = "cannot start a process for Xvfb";
        return Attempt::failed;
    }

    // Ready once its lock file names it and a connection succeeds. Another
    // server that took the number first shows up as a lock file with another
    // pid; ours then exits, and the next number is tried.
    for (int waited = 0; waited < start_timeout_ms; waited += poll_ms) {
        int status = 0;
        if (process->wait_for_exit(0, status)) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == ChildProcess::exec_failed) {
                error_ = std::string("cannot run ") + XVFB_PATH;
                return Attempt::failed;
            }
            return Attempt::display_lost;
        }
        if (lock_owner(number) == process->pid()) {
            display_ = XOpenDisplay(name.c_str());
            if (display_ != nullptr) {
                process_ = std::move(process);
                name_ = name;
                return Attempt::started;
            }
        }
        sleep_ms(poll_ms);
    }
    error_ = "Xvfb " + name + " did not accept a connection in time";
    return Attempt::failed;  // `process` stops the server on the way out
}

}  // namespace quillkit_test

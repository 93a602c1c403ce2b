// stop_signals.cpp - SIGINT and SIGTERM end the window promptly.
#include "stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace qxclock {

namespace {

// A signal handler has no way to reach an object: these two are the only
// state it sees. The pipe's write end is set before the handlers are
// installed and cleared after they are removed; the flag only ever goes
// from 0 to 1.
volatile sig_atomic_t g_wake_fd = -1;
volatile sig_atomic_t g_stopping = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM};

// Writes a constant message with the async-signal-safe write(2).
void say(const char *text)
{
    ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

void on_stop_signal(int)
{
    // Repeats change nothing (timeout(1) signals both the process and its
    // group, for one): the watchdog runs from the first.
    if (g_stopping)
        return;
    g_stopping = 1;
    const int fd = g_wake_fd;
    if (fd >= 0) {
        const char byte = 's';
        ssize_t ignored = write(fd, &byte, 1);
        (void)ignored;
    }
    alarm(kStopGraceSeconds);
}

void on_watchdog(int)
{
    say("qxclock: the X server does not answer; stopped without closing the window\n");
    _exit(1);
}

void set_handler(int sig, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: poll() returns with EINTR
    sigaction(sig, &action, nullptr);
}

// Whether whoever started us set `sig` to be ignored (nohup, a shell's
// background job, a supervisor): it stays so, as with every program.
bool ignored(int sig)
{
    struct sigaction current {};
    return sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

quillkit::Result<std::unique_ptr<StopSignals>> StopSignals::start()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return quillkit::fail(std::string("cannot watch for signals: ") + std::strerror(errno));
    return std::unique_ptr<StopSignals>(new StopSignals(fds[0], fds[1]));
}

StopSignals::StopSignals(int read_fd, int write_fd) : read_fd_(read_fd), write_fd_(write_fd)
{
    g_stopping = 0;
    g_wake_fd = write_fd_;
    set_handler(SIGALRM, on_watchdog);
    for (int sig : kStopSignals)
        if (!ignored(sig))
            set_handler(sig, on_stop_signal);
    // A signal blocked by whoever started us would never arrive.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGALRM);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

StopSignals::~StopSignals()
{
    // Those left ignored stay ignored.
    for (int sig : kStopSignals)
        if (!ignored(sig))
            set_handler(sig, SIG_DFL);
    alarm(0);
    set_handler(SIGALRM, SIG_DFL);
    g_wake_fd = -1;
    close(read_fd_);
    close(write_fd_);
}

bool StopSignals::stop_requested() const
{
    return g_stopping != 0;
}

}  // namespace qxclock

// xvfb_server.cpp - starting, reaching and stopping a private Xvfb.
#include "xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace quillkit_test {

namespace {

constexpr int kStartTimeoutMs = 15000;

// Reads the display number Xvfb writes to `fd` (digits, then a newline),
// waiting up to the deadline. Returns "" if none comes.
std::string read_display_number(int fd, long long deadline_ms)
{
    std::string number;
    for (;;) {
        const long long left = deadline_ms - monotonic_ms();
        if (left <= 0)
            return "";
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return "";
        char c;
        const ssize_t got = read(fd, &c, 1);
        if (got <= 0)
            return "";  // the server exited without a display
        if (c == '\n')
            return number;
        number += c;
    }
}

}  // namespace

XvfbServer::XvfbServer(const std::vector<std::string> &extra_args)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "cannot make a pipe for Xvfb's display number";
        return;
    }
    std::vector<std::string> argv = {XVFB_PATH,   "-displayfd", std::to_string(fds[1]),
                                     "-screen",   "0",          "640x480x24",
                                     "-nolisten", "tcp",        "-noreset"};
    argv.insert(argv.end(), extra_args.begin(), extra_args.end());
    ChildOptions options;
    options.parent_death_signal = SIGTERM;
    options.inherit_fd = fds[1];
    process_ = std::make_unique<ChildProcess>(argv, options);
    close(fds[1]);
    const long long deadline = monotonic_ms() + kStartTimeoutMs;
    const std::string number = process_->started() ? read_display_number(fds[0], deadline) : "";
    close(fds[0]);
    if (number.empty()) {
        error_ = std::string("Xvfb (") + XVFB_PATH + ") reported no display in time";
        return;
    }
    name_ = ":" + number;
    // The number is written once the server listens; a connection may still
    // need a moment on a loaded machine.
    wait_until([this] { return (display_ = XOpenDisplay(name_.c_str())) != nullptr; },
               static_cast<int>(deadline - monotonic_ms()), 20);
    if (display_ == nullptr)
        error_ = "Xvfb " + name_ + " did not accept a connection in time";
}

XvfbServer::~XvfbServer()
{
    if (display_ != nullptr)
        XCloseDisplay(display_);
    process_.reset();
}

}  // namespace quillkit_test

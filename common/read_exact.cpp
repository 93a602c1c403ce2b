// read_exact.cpp - reading an exact number of bytes from a descriptor.
#include "read_exact.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace quillkit {

double monotonic_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

ReadOutcome read_exact(int fd, void *data, std::size_t size, double deadline_ms)
{
    char *p = static_cast<char *>(data);
    while (size > 0) {
        if (deadline_ms >= 0) {
            const double left = deadline_ms - monotonic_ms();
            if (left <= 0)
                return ReadOutcome::kTimedOut;
            pollfd pfd{fd, POLLIN, 0};
            const int ready = poll(&pfd, 1, static_cast<int>(left) + 1);
            if (ready < 0 && errno != EINTR)
                return ReadOutcome::kClosed;
            if (ready <= 0)
                continue;
        }
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return ReadOutcome::kClosed;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return ReadOutcome::kDone;
}

}  // namespace quillkit

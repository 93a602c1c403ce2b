// owned_fd.h - an open file descriptor, closed when it goes (not installed).
#ifndef QUILLKIT_COMMON_OWNED_FD_H
#define QUILLKIT_COMMON_OWNED_FD_H

#include <unistd.h>

namespace quillkit {

class OwnedFd {
public:
    explicit OwnedFd(int fd = -1) : fd_(fd) {}
    ~OwnedFd() { reset(); }
    OwnedFd(OwnedFd &&other) noexcept : fd_(other.release()) {}
    OwnedFd &operator=(OwnedFd &&other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    OwnedFd(const OwnedFd &) = delete;
    OwnedFd &operator=(const OwnedFd &) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

    // Gives the descriptor up without closing it.
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

    // Closes the descriptor; false (with errno set) when close reports a
    // failure, which is where a late write error of some file systems shows.
    bool reset()
    {
        if (fd_ < 0)
            return true;
        return ::close(release()) == 0;
    }

private:
    int fd_;
};

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_OWNED_FD_H

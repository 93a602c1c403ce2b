// xvfb_server.h - a private Xvfb for one test, on a display nobody else uses.
#ifndef QUILL_TESTS_XVFB_SERVER_H
#define QUILL_TESTS_XVFB_SERVER_H

#include <X11/Xlib.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quill_test {

// Starts `Xvfb :N -screen 0 640x480x24 -nolisten tcp <extra_args>` on the first
// free N from 90 up and opens a connection to it. The server is stopped when
// this object goes, and also if the test process dies first (it gets SIGTERM
// when its parent exits).
class XvfbServer {
public:
    explicit XvfbServer(const std::vector<std::string> &extra_args = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // The open connection, or null when the server could not be started;
    // error() then says why.
    Display *display() const { return display_; }
    const std::string &error() const { return error_; }
    const std::string &name() const { return name_; }

private:
    bool try_display(int number, const std::vector<std::string> &extra_args);
    void stop();

    pid_t pid_ = -1;
    Display *display_ = nullptr;
    std::string name_;
    std::string error_;
};

} // namespace quill_test

#endif

// xvfb_server.h - a private Xvfb for one test.
#ifndef QUILLKIT_TESTS_XVFB_SERVER_H
#define QUILLKIT_TESTS_XVFB_SERVER_H

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "process.h"

namespace quillkit_test {

// Starts `Xvfb -displayfd FD -screen 0 640x480x24 -nolisten tcp -noreset
// <extra_args>` (e.g. {"-extension", "Composite"}): the server picks a free
// display number itself and reports it. Then opens a connection to it. The
// server is stopped when this object goes, and also if the test process dies
// first (it gets SIGTERM when its parent exits).
class XvfbServer {
public:
    explicit XvfbServer(const std::vector<std::string> &extra_args = {});
    // Closes the connection, then stops the server: SIGTERM, and SIGKILL
    // should it not go.
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // Whether the server is up; error() says why not.
    bool ok() const { return display_ != nullptr; }
    // ":N", for DISPLAY in the environment of a program the test starts.
    const std::string &name() const { return name_; }
    // A connection owned by this object, for tests that talk to the server
    // themselves; null when !ok().
    Display *display() const { return display_; }
    const std::string &error() const { return error_; }
    // The server process (to stop it early, as a server going away).
    ChildProcess &process() { return *process_; }

private:
    std::unique_ptr<ChildProcess> process_;
    Display *display_ = nullptr;
    std::string name_;
    std::string error_;
};

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_XVFB_SERVER_H

// xvfb_server.h - a private X server for one test program.
#ifndef QUILL_TESTS_XVFB_SERVER_H
#define QUILL_TESTS_XVFB_SERVER_H

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace quilltest {

class XvfbServer {
 public:
  // Starts Xvfb on the first free display from :110 up, with a 24-bit screen
  // and `extra_args` (e.g. {"-extension", "Composite"}). Check ok() after.
  explicit XvfbServer(const std::vector<std::string> &extra_args = {});
  // Kills the server (the child process's destructor).
  ~XvfbServer() = default;

  bool ok() const { return process_ != nullptr; }
  // ":N", for DISPLAY.
  const std::string &display() const { return display_; }
  // Why it could not start, when !ok().
  const std::string &error() const { return error_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string display_;
  std::string error_;
};

}  // namespace quilltest

#endif  // QUILL_TESTS_XVFB_SERVER_H

// xvfb_server.cpp - a private X server for one test program.
#include "xvfb_server.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quilltest {

namespace {

constexpr int first_display = 110;
constexpr int last_display = 199;
constexpr int start_timeout_ms = 10000;

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// The pid in an X server's lock file, or -1.
long lock_owner(int n) {
  std::string text = read_file("/tmp/.X" + std::to_string(n) + "-lock");
  if (text.empty()) return -1;
  return std::strtol(text.c_str(), nullptr, 10);
}

}  // namespace

XvfbServer::XvfbServer(const std::vector<std::string> &extra_args) {
  const char *xvfb = XVFB_PATH;
  for (int n = first_display; n <= last_display; ++n) {
    std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    // Taken while the process named in its lock file lives. A lock left by a
    // server that died is stale: Xvfb replaces it.
    long owner = lock_owner(n);
    if (owner > 0 && (kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM)) continue;
    if (owner <= 0 && exists(lock)) continue;  // being written just now
    std::string display = ":" + std::to_string(n);
    std::vector<std::string> argv = {xvfb, display, "-screen", "0", "640x480x24",
                                     "-nolisten", "tcp", "-noreset"};
    argv.insert(argv.end(), extra_args.begin(), extra_args.end());
    auto process = std::make_unique<ChildProcess>(argv, std::vector<std::string>{});
    if (!process->started()) continue;
    // Ready once its lock file names it and a connection succeeds. Another
    // server that took the number first shows up as a lock file with a
    // different pid; ours then exits, and the next number is tried.
    bool ready = false;
    for (int waited = 0; waited < start_timeout_ms && process->running(); waited += 20) {
      if (lock_owner(n) == process->pid()) {
        if (Display *dpy = XOpenDisplay(display.c_str())) {
          XCloseDisplay(dpy);
          ready = true;
          break;
        }
      }
      sleep_ms(20);
    }
    if (ready) {
      process_ = std::move(process);
      display_ = display;
      return;
    }
  }
  error_ = "could not start Xvfb on any display from :" + std::to_string(first_display) +
           " to :" + std::to_string(last_display);
}

}  // namespace quilltest

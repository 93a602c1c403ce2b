// render_guards.cpp - limits and clean-ups around each picture.
#include "render_guards.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "write_all.h"

namespace quillview {

namespace {

// The process group of `pid`, from /proc/PID/stat; -1 when it is gone.
pid_t group_of(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    FILE *f = std::fopen(path, "re");
    if (f == nullptr)
        return -1;
    char buf[512];
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    // pid (comm) state ppid pgrp ...: comm may hold blanks and parentheses.
    const char *close = std::strrchr(buf, ')');
    int ppid = 0, pgrp = -1;
    char state = 0;
    if (close == nullptr || std::sscanf(close + 1, " %c %d %d", &state, &ppid, &pgrp) != 3)
        return -1;
    return pgrp;
}

}  // namespace

StderrCapture::StderrCapture()
{
    std::fflush(stderr);
    memory_ = memfd_create("quillview-stderr", MFD_CLOEXEC);
    saved_ = fcntl(2, F_DUPFD_CLOEXEC, 10);
    if (memory_ >= 0 && saved_ >= 0)
        dup2(memory_, 2);
}

StderrCapture::~StderrCapture()
{
    if (saved_ >= 0)
        close(saved_);
    if (memory_ >= 0)
        close(memory_);
}

std::string StderrCapture::finish()
{
    std::fflush(stderr);
    if (memory_ < 0 || saved_ < 0)
        return "";
    dup2(saved_, 2);
    std::string said, runtime;
    char buf[4096];
    for (off_t at = 0;;) {
        const ssize_t n = pread(memory_, buf, sizeof buf, at);
        if (n <= 0)
            break;
        at += n;
        quillkit::write_all(2, buf, static_cast<std::size_t>(n));
        if (said.size() < kScanned)
            said.append(buf, static_cast<std::size_t>(n));
    }
    for (std::size_t start = 0; start < said.size() && runtime.empty();) {
        const std::size_t end = std::min(said.find('\n', start), said.size());
        const std::string line = said.substr(start, end - start);
        for (const char *prefix : {"read_png_argb32: ", "svg_cairo_parse: ", "svg_cairo_render: "})
            if (line.rfind(prefix, 0) == 0)
                runtime = line;
        start = end + 1;
    }
    return runtime;
}

void kill_strays()
{
    // Without children (ECHILD), nothing was started: the usual case.
    if (waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD)
        return;
    const pid_t self = getpid(), group = getpgrp();
    // A fork loop may add processes while they are killed: go round again
    // until one pass finds none.
    constexpr int kMaxPasses = 64;
    for (int pass = 0; pass < kMaxPasses; pass++) {
        bool found = false;
        if (DIR *proc = opendir("/proc")) {
            while (const dirent *entry = readdir(proc)) {
                const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
                if (pid > 0 && pid != self && group_of(pid) == group) {
                    kill(pid, SIGKILL);
                    found = true;
                }
            }
            closedir(proc);
        }
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        if (!found)
            break;
    }
}

void limit_cpu(int seconds)
{
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    const rlim_t spent = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec);
    // The soft limit only (SIGXCPU): a hard limit, once lowered, cannot be
    // raised again without CAP_SYS_RESOURCE, and the process would die
    // after a few seconds of pictures. A snippet that ignores SIGXCPU still
    // meets the window's own time limit, which kills the process.
    rlimit limit{};
    getrlimit(RLIMIT_CPU, &limit);
    limit.rlim_cur = std::min(spent + static_cast<rlim_t>(seconds) + 1, limit.rlim_max);
    setrlimit(RLIMIT_CPU, &limit);
}

}  // namespace quillview

// render_server.cpp - the render process: loads a snippet's compiled object,
// draws it and sends the picture back.
#include "render_server.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <quillkit/snippets.h>

#include "cairo_ptr.h"
#include "read_exact.h"
#include "render_protocol.h"
#include "write_all.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLKIT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLKIT_ADDRESS_SANITIZER 1
#endif
#endif

namespace quillview {

namespace {

using SnippetDo = void (*)(cairo_t *, int);
using RuntimeCall = void (*)();

// A loaded object, closed when it goes.
class Library {
public:
    explicit Library(const std::string &path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
    {
    }
    ~Library()
    {
        if (handle_ != nullptr)
            dlclose(handle_);
    }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;
    void *get() const { return handle_; }

private:
    void *handle_;
};

cairo_status_t append_bytes(void *closure, const unsigned char *data, unsigned int length)
{
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

quillkit::SurfacePtr make_surface(RenderKind kind, int size, std::string &file)
{
    switch (kind) {
    case RenderKind::kSvg:
        return quillkit::SurfacePtr(
            cairo_svg_surface_create_for_stream(&append_bytes, &file, size, size));
    case RenderKind::kPdf:
        return quillkit::SurfacePtr(
            cairo_pdf_surface_create_for_stream(&append_bytes, &file, size, size));
    default:
        return quillkit::SurfacePtr(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size));
    }
}

void copy_pixels(cairo_surface_t *surface, int size, RenderReply &reply)
{
    cairo_surface_flush(surface);
    const unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    reply.pixels.resize(static_cast<std::size_t>(size) * size);
    for (int y = 0; y < size; y++)
        std::memcpy(&reply.pixels[static_cast<std::size_t>(y) * size], data + y * stride,
                    static_cast<std::size_t>(size) * 4);
}

// Standard error, into a memory file as well while a snippet draws, so that
// what the runtime says of a background it could not read is seen.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        memory_ = memfd_create("quillview-stderr", MFD_CLOEXEC);
        saved_ = fcntl(2, F_DUPFD_CLOEXEC, 10);
        if (memory_ >= 0 && saved_ >= 0)
            dup2(memory_, 2);
    }
    ~StderrCapture()
    {
        if (saved_ >= 0)
            close(saved_);
        if (memory_ >= 0)
            close(memory_);
    }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Puts standard error back, passes on what was written, and returns its
    // first line from the runtime's file readers ("" when none).
    std::string finish()
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
            for (const char *prefix :
                 {"read_png_argb32: ", "svg_cairo_parse: ", "svg_cairo_render: "})
                if (line.rfind(prefix, 0) == 0)
                    runtime = line;
            start = end + 1;
        }
        return runtime;
    }

private:
    static constexpr std::size_t kScanned = 65536;
    int memory_ = -1, saved_ = -1;
};

void draw(const RenderRequest &request, RenderReply &reply)
{
    if (chdir(request.folder.c_str()) != 0) {
        reply.failure = "cannot enter the folder '" + request.folder + "': " + std::strerror(errno);
        return;
    }
    const double t0 = quillkit::monotonic_ms();
    const Library library(request.object);
    if (library.get() == nullptr) {
        reply.failure = std::string("cannot load the snippet: ") + dlerror();
        return;
    }
    auto snippet_do = reinterpret_cast<SnippetDo>(dlsym(library.get(), "snippet_do"));
    const double t1 = quillkit::monotonic_ms();
    reply.load_ms = t1 - t0;
    if (snippet_do == nullptr) {
        reply.failure = "the snippet's object has no snippet_do";
        return;
    }
    const int size = request.size;
    quillkit::SurfacePtr surface = make_surface(request.kind, size, reply.file);
    cairo_status_t status;
    StderrCapture capture;
    {
        quillkit::ContextPtr cr(cairo_create(surface.get()));
        cairo_scale(cr.get(), size, size);
        snippet_do(cr.get(), 0);
        status = cairo_status(cr.get());
    }
    const std::string runtime_failure = capture.finish();
    if (status == CAIRO_STATUS_SUCCESS && request.kind != RenderKind::kPixels &&
        request.kind != RenderKind::kPng) {
        cairo_surface_finish(surface.get());
        status = cairo_surface_status(surface.get());
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        reply.failure = std::string("the snippet left cairo in an error state: ") +
                        cairo_status_to_string(status);
    } else if (!runtime_failure.empty() && request.kind != RenderKind::kPixels) {
        // A file is made to be kept: not without its background. (The
        // window shows the picture and the message.)
        reply.failure = runtime_failure;
    } else if (request.kind == RenderKind::kPng) {
        status = cairo_surface_write_to_png_stream(surface.get(), &append_bytes, &reply.file);
        if (status != CAIRO_STATUS_SUCCESS)
            reply.failure = std::string("cannot encode the PNG: ") + cairo_status_to_string(status);
    } else if (request.kind == RenderKind::kPixels) {
        copy_pixels(surface.get(), size, reply);
    }
    reply.draw_ms = quillkit::monotonic_ms() - t1;
    if (!reply.failure.empty()) {
        reply.pixels.clear();
        reply.file.clear();
    } else {
        reply.ok = true;
        reply.width = reply.height = size;
        reply.failure = runtime_failure;
    }
}

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

// Kills every other process of this group: what a snippet forked, and what
// those forked (they come back to this process, a subreaper, as orphans).
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

// Allows the next picture `seconds` of CPU time beyond what was used.
void limit_cpu(int seconds)
{
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    const rlim_t spent = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec);
    const rlimit limit{spent + static_cast<rlim_t>(seconds) + 1,
                       spent + static_cast<rlim_t>(seconds) + 2};
    setrlimit(RLIMIT_CPU, &limit);
}

}  // namespace

void serve_renders(int fd, pid_t parent, const Limits &limits)
{
    // Never outlive the program that asks for pictures: the signal comes
    // when it ends; should it have ended before the signal was armed, the
    // parent is already another process.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(0);
    prctl(PR_SET_CHILD_SUBREAPER, 1);
#ifndef QUILLKIT_ADDRESS_SANITIZER
    // (AddressSanitizer reserves terabytes of address space up front.)
    const rlimit memory{limits.render_memory, limits.render_memory};
    setrlimit(RLIMIT_AS, &memory);
#endif
    // The snippets' objects take the runtime's functions from this process:
    // name them (through volatile, which the compiler cannot see through),
    // so that the runtime is loaded even by a linker that drops libraries
    // nothing calls.
    volatile RuntimeCall runtime_calls[] = {reinterpret_cast<RuntimeCall>(&read_png_argb32),
                                            reinterpret_cast<RuntimeCall>(&cairo_show_surface),
                                            reinterpret_cast<RuntimeCall>(&svg_cairo_create),
                                            reinterpret_cast<RuntimeCall>(&cairo_rectangle_round)};
    if (runtime_calls[0] == nullptr)
        _exit(1);
    for (;;) {
        quillkit::Result<RenderRequest> request = read_request(fd);
        if (!request)
            break;
        RenderReply reply;
        reply.serial = request->serial;
        reply.kind = request->kind;
        limit_cpu(limits.render_seconds);
        draw(*request, reply);
        kill_strays();
        if (!write_reply(fd, reply))
            break;
    }
    // Leave at once: what snippets left behind is not worth tidying up.
    _exit(0);
}

}  // namespace quillview

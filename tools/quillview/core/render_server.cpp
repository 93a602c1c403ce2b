// render_server.cpp - the render process: serves render requests, one
// picture at a time, within its limits.
#include "render_server.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <quillkit/qxdraw.h>
#include <quillkit/snippets.h>

#include "builder.h"
#include "render_guards.h"
#include "render_protocol.h"
#include "shared_pixels.h"
#include "snippet_draw.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLKIT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLKIT_ADDRESS_SANITIZER 1
#endif
#endif

namespace quillview {

namespace {

using RuntimeCall = void (*)();

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
    // The snippets' code takes the runtime's and the clock's functions from
    // this process:
    // name them (through volatile, which the compiler cannot see through),
    // so that the runtime is loaded even by a linker that drops libraries
    // nothing calls.
    volatile RuntimeCall runtime_calls[] = {reinterpret_cast<RuntimeCall>(&read_png_argb32),
                                            reinterpret_cast<RuntimeCall>(&cairo_show_surface),
                                            reinterpret_cast<RuntimeCall>(&svg_cairo_create),
                                            reinterpret_cast<RuntimeCall>(&cairo_rectangle_round),
                                            reinterpret_cast<RuntimeCall>(&snippet_time),
                                            reinterpret_cast<RuntimeCall>(&qxface_draw),
                                            reinterpret_cast<RuntimeCall>(&qxhand_draw)};
    if (runtime_calls[0] == nullptr)
        _exit(1);
    // Modules compiled in memory find the kit's headers where the builder
    // does.
    const quillkit::Result<std::vector<std::string>> found = find_include_dirs();
    const std::vector<std::string> include_dirs = found ? *found : std::vector<std::string>{};
    // Pictures for the window go into the memory quillview shares, when it
    // handed some over.
    quillkit::Result<SharedPixels> shared = SharedPixels::adopt(kSharedPixelsFd);
    // An animation's frames use the code loaded for the first.
    LoadedCode loaded;
    for (;;) {
        quillkit::Result<RenderRequest> request = read_request(fd);
        if (!request)
            break;
        RenderReply reply;
        reply.serial = request->serial;
        reply.kind = request->kind;
        limit_cpu(limits.render_seconds);
        draw_snippet(*request, include_dirs, shared ? shared->data() : nullptr, reply, &loaded);
        kill_strays();
        if (!write_reply(fd, reply))
            break;
    }
    // Leave at once: what snippets left behind is not worth tidying up.
    _exit(0);
}

}  // namespace quillview

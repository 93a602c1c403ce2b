// render_server.cpp - the render process: loads a snippet's shared object,
// draws it and sends the picture back. Whatever the snippet does wrong
// (crash, loop, exit) ends only this process.
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <quillkit/snippets.h>

#include "pipeline.h"
#include "process_run.h"
#include "write_all.h"

namespace quillview {

namespace {

struct RequestHeader {
    std::uint32_t kind, size, object_len, folder_len, out_len;
};

struct ReplyHeader {
    std::uint32_t ok, width, height, message_len;
    double load_ms, draw_ms;
};

using SnippetDo = void (*)(cairo_t *, int);

using RuntimeCall = void (*)();

bool read_exact(int fd, void *data, std::size_t len)
{
    char *p = static_cast<char *>(data);
    while (len > 0) {
        const ssize_t n = read(fd, p, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

bool write_exact(int fd, const void *data, std::size_t len)
{
    return quillkit::write_all(fd, data, len) == 0;
}

std::string read_string(int fd, std::uint32_t len, bool &ok)
{
    std::string s(len, '\0');
    ok = ok && read_exact(fd, s.data(), len);
    return s;
}

struct Drawn {
    std::string failure;
    std::vector<std::uint32_t> pixels;
    double load_ms = 0, draw_ms = 0;
};

cairo_surface_t *make_surface(RenderKind kind, int size, const std::string &out)
{
    switch (kind) {
    case RenderKind::kSvg:
        return cairo_svg_surface_create(out.c_str(), size, size);
    case RenderKind::kPdf:
        return cairo_pdf_surface_create(out.c_str(), size, size);
    default:
        return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    }
}

Drawn draw(RenderKind kind, int size, const std::string &object, const std::string &folder,
           const std::string &out)
{
    Drawn d;
    if (chdir(folder.c_str()) != 0) {
        d.failure = "cannot enter the folder '" + folder + "': " + std::strerror(errno);
        return d;
    }
    const double t0 = now_ms();
    void *handle = dlopen(object.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        d.failure = std::string("cannot load the snippet: ") + dlerror();
        return d;
    }
    auto snippet_do = reinterpret_cast<SnippetDo>(dlsym(handle, "snippet_do"));
    const double t1 = now_ms();
    d.load_ms = t1 - t0;
    if (snippet_do == nullptr) {
        d.failure = "the snippet's object has no snippet_do";
        dlclose(handle);
        return d;
    }
    cairo_surface_t *surface = make_surface(kind, size, out);
    cairo_t *cr = cairo_create(surface);
    cairo_scale(cr, size, size);
    snippet_do(cr, 0);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status == CAIRO_STATUS_SUCCESS && (kind == RenderKind::kSvg || kind == RenderKind::kPdf)) {
        cairo_surface_finish(surface);
        status = cairo_surface_status(surface);
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        d.failure = std::string("the snippet left cairo in an error state: ") +
                    cairo_status_to_string(status);
    } else if (kind == RenderKind::kPng) {
        status = cairo_surface_write_to_png(surface, out.c_str());
        if (status != CAIRO_STATUS_SUCCESS)
            d.failure = "cannot write '" + out + "': " + cairo_status_to_string(status);
    } else if (kind == RenderKind::kPixels) {
        cairo_surface_flush(surface);
        const unsigned char *data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        d.pixels.resize(static_cast<std::size_t>(size) * size);
        for (int y = 0; y < size; y++)
            std::memcpy(&d.pixels[static_cast<std::size_t>(y) * size], data + y * stride,
                        static_cast<std::size_t>(size) * 4);
    }
    cairo_surface_destroy(surface);
    d.draw_ms = now_ms() - t1;
    dlclose(handle);
    return d;
}

}  // namespace

int serve_renders(int fd)
{
    // Never outlive the program that asks for pictures.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1)
        _exit(0);
    // The snippets' objects take the runtime's functions from this process:
    // name them (through volatile, which the compiler cannot see through),
    // so that the runtime is loaded even by a linker that drops libraries
    // nothing calls.
    volatile RuntimeCall runtime_calls[] = {reinterpret_cast<RuntimeCall>(&read_png_argb32),
                                            reinterpret_cast<RuntimeCall>(&cairo_show_surface),
                                            reinterpret_cast<RuntimeCall>(&svg_cairo_create),
                                            reinterpret_cast<RuntimeCall>(&cairo_rectangle_round)};
    if (runtime_calls[0] == nullptr)
        return 1;
    for (;;) {
        RequestHeader req{};
        if (!read_exact(fd, &req, sizeof req))
            break;
        bool ok = true;
        const std::string object = read_string(fd, req.object_len, ok);
        const std::string folder = read_string(fd, req.folder_len, ok);
        const std::string out = read_string(fd, req.out_len, ok);
        if (!ok || req.size < 1 || req.size > static_cast<std::uint32_t>(kMaxRenderSize))
            break;
        const int size = static_cast<int>(req.size);
        const Drawn d = draw(static_cast<RenderKind>(req.kind), size, object, folder, out);
        const bool drawn = d.failure.empty();
        const ReplyHeader reply{drawn ? 1u : 0u, req.size,
                                req.size,        static_cast<std::uint32_t>(d.failure.size()),
                                d.load_ms,       d.draw_ms};
        if (!write_exact(fd, &reply, sizeof reply) ||
            !write_exact(fd, d.failure.data(), d.failure.size()) ||
            !write_exact(fd, d.pixels.data(), d.pixels.size() * 4))
            break;
    }
    // Leave at once: what snippets left behind is not worth tidying up.
    _exit(0);
}

}  // namespace quillview

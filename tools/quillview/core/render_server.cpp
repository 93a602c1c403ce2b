// render_server.cpp - the render process: loads a snippet's compiled object,
// draws it and sends the picture back.
#include "render_server.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <quillkit/snippets.h>

#include "cairo_ptr.h"
#include "read_exact.h"
#include "render_protocol.h"

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
    {
        quillkit::ContextPtr cr(cairo_create(surface.get()));
        cairo_scale(cr.get(), size, size);
        snippet_do(cr.get(), 0);
        status = cairo_status(cr.get());
    }
    if (status == CAIRO_STATUS_SUCCESS && request.kind != RenderKind::kPixels &&
        request.kind != RenderKind::kPng) {
        cairo_surface_finish(surface.get());
        status = cairo_surface_status(surface.get());
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        reply.failure = std::string("the snippet left cairo in an error state: ") +
                        cairo_status_to_string(status);
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
    }
}

}  // namespace

void serve_renders(int fd)
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
        _exit(1);
    for (;;) {
        quillkit::Result<RenderRequest> request = read_request(fd);
        if (!request)
            break;
        RenderReply reply;
        reply.serial = request->serial;
        reply.kind = request->kind;
        draw(*request, reply);
        if (!write_reply(fd, reply))
            break;
    }
    // Leave at once: what snippets left behind is not worth tidying up.
    _exit(0);
}

}  // namespace quillview

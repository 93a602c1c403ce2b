// snippet_draw.cpp - loading and drawing one picture of a snippet.
#include "snippet_draw.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include <quillkit/snippets.h>

#include "cairo_ptr.h"
#include "memory_compiler.h"
#include "read_exact.h"
#include "render_guards.h"

namespace quillview {

namespace {

using SnippetDo = MemoryModule::SnippetDo;

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

}  // namespace

struct LoadedCode::Parts {
    bool in_memory = false;
    std::string name;  // the module's text, or the object's path
    std::unique_ptr<Library> library;
    std::unique_ptr<MemoryModule> module;
    SnippetDo snippet_do = nullptr;

    bool holds(const RenderRequest &request) const
    {
        return in_memory ? request.module == name
                         : request.module.empty() && request.object == name;
    }
};

LoadedCode::LoadedCode() : parts(std::make_unique<Parts>()) {}

LoadedCode::~LoadedCode() = default;

void draw_snippet(const RenderRequest &request, const std::vector<std::string> &include_dirs,
                  unsigned char *shared, RenderReply &reply, LoadedCode *loaded)
{
    if (chdir(request.folder.c_str()) != 0) {
        reply.failure = "cannot enter the folder '" + request.folder + "': " + std::strerror(errno);
        return;
    }
    const double t0 = quillkit::monotonic_ms();
    LoadedCode picture_only;  // when the caller keeps nothing
    LoadedCode::Parts &code = *(loaded != nullptr ? loaded : &picture_only)->parts;
    if (!code.holds(request) || code.snippet_do == nullptr)
        code = LoadedCode::Parts{};
    std::unique_ptr<Library> &library = code.library;
    std::unique_ptr<MemoryModule> &module = code.module;
    SnippetDo &snippet_do = code.snippet_do;
    if (snippet_do != nullptr) {
        // Loaded for an earlier picture.
    } else if (!request.module.empty()) {
        quillkit::Result<std::unique_ptr<MemoryModule>> compiled =
            MemoryModule::compile(request.module, include_dirs);
        if (!compiled) {
            reply.status = RenderStatus::kDoesNotCompile;
            reply.failure = compiled.error();
            return;
        }
        module = std::move(compiled.value());
        snippet_do = module->snippet_do();
        code.in_memory = true;
        code.name = request.module;
    } else {
        library = std::make_unique<Library>(request.object);
        if (library->get() == nullptr) {
            reply.failure = std::string("cannot load the snippet: ") + dlerror();
            return;
        }
        snippet_do = reinterpret_cast<SnippetDo>(dlsym(library->get(), "snippet_do"));
        code.name = request.object;
    }
    const double t1 = quillkit::monotonic_ms();
    reply.load_ms = t1 - t0;
    if (snippet_do == nullptr) {
        reply.failure = "the snippet's object has no snippet_do";
        return;
    }
    const int size = request.size;
    const bool in_shared = shared != nullptr && request.kind == RenderKind::kPixels;
    if (in_shared)
        std::memset(shared, 0, static_cast<std::size_t>(size) * size * 4);
    quillkit::SurfacePtr surface = in_shared
                                       ? quillkit::SurfacePtr(cairo_image_surface_create_for_data(
                                             shared, CAIRO_FORMAT_ARGB32, size, size, size * 4))
                                       : make_surface(request.kind, size, reply.file);
    snippet_set_time(request.time);
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
    } else if (in_shared) {
        cairo_surface_flush(surface.get());
    } else if (request.kind == RenderKind::kPixels) {
        copy_pixels(surface.get(), size, reply);
    }
    reply.draw_ms = quillkit::monotonic_ms() - t1;
    if (!reply.failure.empty()) {
        reply.pixels.clear();
        reply.file.clear();
    } else {
        reply.status = RenderStatus::kDrawn;
        reply.width = reply.height = size;
        reply.failure = runtime_failure;
    }
}

}  // namespace quillview

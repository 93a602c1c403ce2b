// png_output.cpp - the clock drawn into a PNG file.
#include "png_output.h"

#include <cairo.h>

#include <memory>

#include "frame.h"
#include "output_file.h"
#include "qxdraw.h"

namespace qxclock {

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// Hands cairo's PNG bytes to the output file.
cairo_status_t write_to_output(void *closure, const unsigned char *data, unsigned int length)
{
    return static_cast<quillkit::OutputFile *>(closure)->write(data, length)
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// "-" is standard output; any other path goes through the output file's
// rules (replaced when a regular file, written in place when a device).
bool save_png(cairo_surface_t *surface, const std::string &path, std::string &error)
{
    quillkit::OutputFile output = path == "-"
                                      ? quillkit::OutputFile::for_descriptor(1, "standard output")
                                      : quillkit::OutputFile(path);
    if (!output.open(error))
        return false;
    const cairo_status_t status =
        cairo_surface_write_to_png_stream(surface, write_to_output, &output);
    // A write error is the output's to tell; cairo's own failures are told
    // here.
    if (!output.commit(error))
        return false;
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write '" + path + "': " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

}  // namespace

bool write_clock_png(const PngRequest &request, std::string &error)
{
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, request.size, request.size));
    cairo_t *cr = cairo_create(surface.get());
    draw_face_layer(cr, request.size, request.size, request.background);
    if (request.tv)
        qxhand_draw(cr, request.size, request.size, request.tv, request.seconds ? 1 : 0);
    else
        qxhand_draw_now(cr, request.size, request.size, request.seconds ? 1 : 0);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot draw the clock: ") + cairo_status_to_string(status);
        return false;
    }
    return save_png(surface.get(), request.path, error);
}

}  // namespace qxclock

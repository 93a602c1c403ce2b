// png_output.cpp - the clock drawn into a PNG file.
#include "png_output.h"

#include <cairo.h>

#include "cairo_ptr.h"
#include "compose.h"
#include "output_file.h"
#include "qxdraw.h"

namespace qxclock {

namespace {

// Hands cairo's PNG bytes to the output file.
cairo_status_t write_to_output(void *closure, const unsigned char *data, unsigned int length)
{
    return static_cast<quillkit::OutputFile *>(closure)->write(data, length)
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// "-" is standard output; any other path goes through the output file's
// rules (replaced when a regular file, written in place when a device).
quillkit::Result<void> save_png(cairo_surface_t *surface, const std::string &path)
{
    quillkit::OutputFile output = path == "-"
                                      ? quillkit::OutputFile::for_descriptor(1, "standard output")
                                      : quillkit::OutputFile(path);
    if (quillkit::Result<void> opened = output.open(); !opened)
        return opened;
    const cairo_status_t status =
        cairo_surface_write_to_png_stream(surface, write_to_output, &output);
    // A write error is the output's to tell; cairo's own failures are told
    // here.
    if (quillkit::Result<void> committed = output.commit(); !committed)
        return committed;
    if (status != CAIRO_STATUS_SUCCESS)
        return quillkit::fail("cannot write '" + path + "': " + cairo_status_to_string(status));
    return {};
}

}  // namespace

quillkit::Result<void> write_clock_png(const PngRequest &request)
{
    const quillkit::SurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, request.size, request.size));
    const quillkit::ContextPtr cr(cairo_create(surface.get()));
    draw_face_layer(cr.get(), request.size, request.size, request.background);
    if (request.tv)
        qxhand_draw(cr.get(), request.size, request.size, request.tv, request.seconds ? 1 : 0);
    else
        qxhand_draw_now(cr.get(), request.size, request.size, request.seconds ? 1 : 0);
    if (const cairo_status_t status = cairo_status(cr.get()); status != CAIRO_STATUS_SUCCESS)
        return quillkit::fail(std::string("cannot draw the clock: ") +
                              cairo_status_to_string(status));
    return save_png(surface.get(), request.path);
}

}  // namespace qxclock

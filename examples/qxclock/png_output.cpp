// png_output.cpp - the clock drawn into a PNG file.
#include "png_output.h"

#include <cairo.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "frame.h"
#include "qxdraw.h"

namespace qxclock {

namespace {

cairo_status_t write_to_file(void *closure, const unsigned char *data, unsigned int length)
{
    FILE *file = static_cast<FILE *>(closure);
    return std::fwrite(data, 1, length, file) == length ? CAIRO_STATUS_SUCCESS
                                                        : CAIRO_STATUS_WRITE_ERROR;
}

// Writes `surface` as PNG to `path`. The file is opened here rather than by
// cairo so that a failure can say why; a half-written file is removed.
bool save_png(cairo_surface_t *surface, const std::string &path, std::string &error)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    cairo_status_t status = cairo_surface_write_to_png_stream(surface, write_to_file, file);
    int write_errno = std::ferror(file) ? errno : 0;
    bool closed = std::fclose(file) == 0;
    if (!closed && write_errno == 0)
        write_errno = errno;
    if (status != CAIRO_STATUS_SUCCESS || !closed) {
        error = "cannot write '" + path +
                "': " + (write_errno ? std::strerror(write_errno) : cairo_status_to_string(status));
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool write_clock_png(const std::string &path, int size, const timeval *tv, bool seconds,
                     std::string &error)
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t *cr = cairo_create(surface);
    draw_face_layer(cr, size, size, false);
    if (tv)
        qxhand_draw(cr, size, size, tv, seconds ? 1 : 0);
    else
        qxhand_draw_now(cr, size, size, seconds ? 1 : 0);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    bool ok = status == CAIRO_STATUS_SUCCESS;
    if (!ok)
        error = std::string("cannot draw the clock: ") + cairo_status_to_string(status);
    else
        ok = save_png(surface, path, error);
    cairo_surface_destroy(surface);
    return ok;
}

}  // namespace qxclock

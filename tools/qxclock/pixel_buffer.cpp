// pixel_buffer.cpp - the pixels of the window and their way to the server.
#include "pixel_buffer.h"

#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qxclock {

namespace {

bool host_is_little_endian()
{
    const std::uint32_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

// Whether the visual's pixels are cairo's: 8 bits a channel at the usual
// places (32 bits a pixel is checked on the image).
bool cairo_compatible(const Visual *visual, int depth)
{
    return (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 &&
           visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

}  // namespace

quillkit::Result<std::unique_ptr<PixelBuffer>> PixelBuffer::create(Display *display, Visual *visual,
                                                                   int depth, int width, int height)
{
    if (!cairo_compatible(visual, depth))
        return quillkit::fail("the screen's visual (depth " + std::to_string(depth) +
                              ") is not supported: qxclock needs 8 bits per colour channel");
    std::unique_ptr<PixelBuffer> buffer(new PixelBuffer(display, width, height));
    const cairo_format_t format = depth == 32 ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    const int stride = cairo_format_stride_for_width(format, width);
    buffer->pixels_ =
        static_cast<unsigned char *>(std::calloc(static_cast<size_t>(stride), height));
    if (buffer->pixels_)
        buffer->image_ =
            XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                         reinterpret_cast<char *>(buffer->pixels_), static_cast<unsigned>(width),
                         static_cast<unsigned>(height), 32, stride);
    if (!buffer->image_)
        return quillkit::fail("cannot allocate a " + std::to_string(width) + " x " +
                              std::to_string(height) + " image");
    if (buffer->image_->bits_per_pixel != 32)
        return quillkit::fail(
            "the screen's pixel format is not supported: qxclock needs 32 bits per pixel");
    // Our pixels are in the host's order; Xlib converts when the server's
    // differs.
    buffer->image_->byte_order = host_is_little_endian() ? LSBFirst : MSBFirst;
    buffer->surface_.reset(
        cairo_image_surface_create_for_data(buffer->pixels_, format, width, height, stride));
    if (cairo_surface_status(buffer->surface_.get()) != CAIRO_STATUS_SUCCESS)
        return quillkit::fail("cannot draw into the window's image");
    return buffer;
}

PixelBuffer::~PixelBuffer()
{
    surface_.reset();  // before the pixels it draws into
    if (image_) {
        image_->data = nullptr;  // the pixels are not Xlib's to free
        XDestroyImage(image_);
    }
    std::free(pixels_);
}

void PixelBuffer::put(Drawable drawable, GC gc, const Rect &area, int dest_x, int dest_y)
{
    if (area.empty())
        return;
    XPutImage(display_, drawable, gc, image_, area.x, area.y, dest_x, dest_y,
              static_cast<unsigned>(area.width), static_cast<unsigned>(area.height));
}

}  // namespace qxclock

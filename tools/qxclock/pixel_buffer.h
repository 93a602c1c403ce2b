// pixel_buffer.h - the pixels of the window, in our memory, and their way to
// the server.
#ifndef QXCLOCK_PIXEL_BUFFER_H
#define QXCLOCK_PIXEL_BUFFER_H

// Before Xlib, whose macro Status (for int) would otherwise rename quillkit's.
#include "result.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <memory>

#include "cairo_ptr.h"
#include "rect.h"

namespace qxclock {

// A width x height image that cairo draws into and XPutImage copies to a
// window, a rectangle at a time.
//
// (MIT-SHM was measured as the way for the pixels: with only the hands'
// rectangle sent each frame, the copy through the socket costs less than the
// completion event and the extra wake-up that shared memory needs.)
//
// The image is in the server's format for 24- and 32-bit TrueColor visuals
// with 8 bits a channel (as cairo's RGB24 and premultiplied ARGB32 are), the
// only ones supported; Xlib swaps the bytes for a server of the other byte
// order.
class PixelBuffer {
public:
    // Fails with the reason when no buffer can be made.
    static quillkit::Result<std::unique_ptr<PixelBuffer>> create(Display *display, Visual *visual,
                                                                 int depth, int width, int height);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer &) = delete;
    PixelBuffer &operator=(const PixelBuffer &) = delete;

    cairo_surface_t *surface() const { return surface_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }

    // Copies `area` of the image to (dest_x, dest_y) of `drawable`.
    void put(Drawable drawable, GC gc, const Rect &area, int dest_x, int dest_y);

private:
    PixelBuffer(Display *display, int width, int height)
        : display_(display), width_(width), height_(height)
    {
    }

    Display *display_;
    int width_, height_;
    unsigned char *pixels_ = nullptr;
    XImage *image_ = nullptr;
    quillkit::SurfacePtr surface_;
};

}  // namespace qxclock

#endif  // QXCLOCK_PIXEL_BUFFER_H

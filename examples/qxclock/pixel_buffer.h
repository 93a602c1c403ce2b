// pixel_buffer.h - the pixels of the window, in our memory, and their way to
// the server.
#ifndef QXCLOCK_PIXEL_BUFFER_H
#define QXCLOCK_PIXEL_BUFFER_H

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <cairo.h>

#include <memory>
#include <string>

#include "frame.h"

namespace qxclock {

// A width x height image that cairo draws into and XPutImage copies to a
// window. Where the server offers MIT-SHM (and shares memory with us) the
// image lies in a shared segment and a put sends no pixels at all; the server
// then reads them after the request, so the buffer is busy() until its
// completion event has come back.
//
// The image is in the server's format for 24- and 32-bit TrueColor visuals
// with 8 bits a channel (as cairo's RGB24 and premultiplied ARGB32 are), the
// only ones supported.
class PixelBuffer {
public:
    // Returns null (with the reason in `error`) when no buffer can be made.
    static std::unique_ptr<PixelBuffer> create(Display *display, Visual *visual, int depth,
                                               int width, int height, std::string &error);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer &) = delete;
    PixelBuffer &operator=(const PixelBuffer &) = delete;

    cairo_surface_t *surface() const { return surface_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool shared() const { return shm_.shmaddr != nullptr; }
    bool busy() const { return in_flight_; }

    // Copies `area` of the image to (dest_x, dest_y) of `drawable`.
    void put(Drawable drawable, GC gc, const Rect &area, int dest_x, int dest_y);
    // Takes an event; returns true when it was this buffer's completion.
    bool take_completion(const XEvent &event);

    // Whether MIT-SHM can serve `display` (for the first buffer only: later
    // ones follow the first's success).
    static bool shm_offered(Display *display);

private:
    PixelBuffer(Display *display, int width, int height);
    bool attach_shared(Visual *visual, int depth);
    bool allocate_plain(Visual *visual, int depth);

    Display *display_;
    int width_, height_;
    XImage *image_ = nullptr;
    XShmSegmentInfo shm_{};
    int completion_type_ = -1;  // the event type of a ShmCompletion
    bool in_flight_ = false;
    unsigned char *plain_ = nullptr;  // the pixels when not shared
    cairo_surface_t *surface_ = nullptr;
};

}  // namespace qxclock

#endif  // QXCLOCK_PIXEL_BUFFER_H

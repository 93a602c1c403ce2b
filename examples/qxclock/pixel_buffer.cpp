// pixel_buffer.cpp - the pixels of the window and their way to the server.
#include "pixel_buffer.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "x_connection.h"

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
// places, 32 bits a pixel (checked on the image).
bool cairo_compatible(const Visual *visual, int depth)
{
    return (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 &&
           visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

}  // namespace

PixelBuffer::PixelBuffer(Display *display, int width, int height)
    : display_(display), width_(width), height_(height)
{
    shm_.shmid = -1;
}

bool PixelBuffer::shm_offered(Display *display)
{
    return XShmQueryExtension(display) &&
           (ImageByteOrder(display) == LSBFirst) == host_is_little_endian();
}

std::unique_ptr<PixelBuffer> PixelBuffer::create(Display *display, Visual *visual, int depth,
                                                 int width, int height, std::string &error)
{
    if (!cairo_compatible(visual, depth)) {
        error = "the screen's visual (depth " + std::to_string(depth) +
                ") is not supported: qxclock needs 8 bits per colour channel";
        return nullptr;
    }
    std::unique_ptr<PixelBuffer> buffer(new PixelBuffer(display, width, height));
    if (!(shm_offered(display) && buffer->attach_shared(visual, depth)) &&
        !buffer->allocate_plain(visual, depth)) {
        error = "cannot allocate a " + std::to_string(width) + " x " + std::to_string(height) +
                " image";
        return nullptr;
    }
    if (buffer->image_->bits_per_pixel != 32) {
        error = "the screen's pixel format is not supported: qxclock needs 32 bits per pixel";
        return nullptr;
    }
    const cairo_format_t format = depth == 32 ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    buffer->surface_ =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char *>(buffer->image_->data),
                                            format, width, height, buffer->image_->bytes_per_line);
    if (cairo_surface_status(buffer->surface_) != CAIRO_STATUS_SUCCESS) {
        error = "cannot draw into the window's image";
        return nullptr;
    }
    return buffer;
}

bool PixelBuffer::attach_shared(Visual *visual, int depth)
{
    image_ = XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, nullptr,
                             &shm_, static_cast<unsigned>(width_), static_cast<unsigned>(height_));
    if (!image_)
        return false;
    const size_t bytes = static_cast<size_t>(image_->bytes_per_line) * image_->height;
    shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    void *address = shm_.shmid >= 0 ? shmat(shm_.shmid, nullptr, 0) : reinterpret_cast<void *>(-1);
    if (address == reinterpret_cast<void *>(-1)) {
        if (shm_.shmid >= 0)
            shmctl(shm_.shmid, IPC_RMID, nullptr);
        shm_.shmid = -1;
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
    }
    shm_.shmaddr = image_->data = static_cast<char *>(address);
    shm_.readOnly = True;
    // A server on another machine, or in another IPC namespace, refuses to
    // attach: then plain puts it is.
    const bool attached = without_x_errors(display_, [this] {
        XShmAttach(display_, &shm_);
        XSync(display_, False);
    });
    // Marked for removal now: the segment goes when both sides detach, also
    // should the process die.
    shmctl(shm_.shmid, IPC_RMID, nullptr);
    if (!attached) {
        shmdt(shm_.shmaddr);
        shm_.shmaddr = nullptr;
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
    }
    completion_type_ = XShmGetEventBase(display_) + ShmCompletion;
    return true;
}

bool PixelBuffer::allocate_plain(Visual *visual, int depth)
{
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width_);
    plain_ = static_cast<unsigned char *>(std::calloc(static_cast<size_t>(stride), height_));
    if (!plain_)
        return false;
    image_ = XCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                          reinterpret_cast<char *>(plain_), static_cast<unsigned>(width_),
                          static_cast<unsigned>(height_), 32, stride);
    if (!image_)
        return false;
    // Our pixels are in the host's order; Xlib converts when the server's
    // differs.
    image_->byte_order = host_is_little_endian() ? LSBFirst : MSBFirst;
    return true;
}

PixelBuffer::~PixelBuffer()
{
    if (surface_)
        cairo_surface_destroy(surface_);
    if (shm_.shmaddr) {
        // The server handles the detach after any put still queued.
        XShmDetach(display_, &shm_);
        shmdt(shm_.shmaddr);
    }
    if (image_) {
        image_->data = nullptr;  // the pixels are not Xlib's to free
        XDestroyImage(image_);
    }
    std::free(plain_);
}

void PixelBuffer::put(Drawable drawable, GC gc, const Rect &area, int dest_x, int dest_y)
{
    if (area.empty())
        return;
    const auto w = static_cast<unsigned>(area.width), h = static_cast<unsigned>(area.height);
    if (shared()) {
        XShmPutImage(display_, drawable, gc, image_, area.x, area.y, dest_x, dest_y, w, h, True);
        in_flight_ = true;
    } else {
        XPutImage(display_, drawable, gc, image_, area.x, area.y, dest_x, dest_y, w, h);
    }
}

bool PixelBuffer::take_completion(const XEvent &event)
{
    if (!shared() || event.type != completion_type_)
        return false;
    const auto &done = reinterpret_cast<const XShmCompletionEvent &>(event);
    if (done.shmseg != shm_.shmseg)
        return false;
    in_flight_ = false;
    return true;
}

}  // namespace qxclock

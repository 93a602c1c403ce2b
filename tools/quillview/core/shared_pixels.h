// shared_pixels.h - the memory the render process draws a window's pictures
// into and quillview reads them from: one memory file, mapped by both, as
// large as the largest picture. Pixels are handed over without passing
// through the socket.
#ifndef QUILLVIEW_CORE_SHARED_PIXELS_H
#define QUILLVIEW_CORE_SHARED_PIXELS_H

#include <cstddef>

#include "owned_fd.h"
#include "result.h"

namespace quillview {

// The descriptor the render process finds the memory file on.
constexpr int kSharedPixelsFd = 4;

class SharedPixels {
public:
    // A new memory file, mapped (quillview's side).
    static quillkit::Result<SharedPixels> create();
    // The memory file on descriptor `fd`, mapped (the render process's side).
    static quillkit::Result<SharedPixels> adopt(int fd);

    SharedPixels(SharedPixels &&other) noexcept;
    SharedPixels &operator=(SharedPixels &&other) noexcept;
    SharedPixels(const SharedPixels &) = delete;
    SharedPixels &operator=(const SharedPixels &) = delete;
    ~SharedPixels();

    unsigned char *data() const { return data_; }
    std::size_t size() const { return size_; }
    int fd() const { return fd_.get(); }

private:
    SharedPixels(quillkit::OwnedFd fd, unsigned char *data, std::size_t size)
        : fd_(std::move(fd)), data_(data), size_(size)
    {
    }

    quillkit::OwnedFd fd_;
    unsigned char *data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_SHARED_PIXELS_H

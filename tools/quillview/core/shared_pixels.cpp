// shared_pixels.cpp - one memory file mapped by quillview and its render
// process.
#include "shared_pixels.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "render_protocol.h"

namespace quillview {

namespace {

constexpr const char *kName = "quillview-pixels";

// Room for the largest picture; the pages are only made as they are drawn.
constexpr std::size_t kBytes =
    static_cast<std::size_t>(kMaxRenderSize) * static_cast<std::size_t>(kMaxRenderSize) * 4;

quillkit::Result<SharedPixels *> map(int fd, unsigned char *&data)
{
    void *p = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED)
        return quillkit::fail(std::string("cannot map the pixels' memory: ") +
                              std::strerror(errno));
    data = static_cast<unsigned char *>(p);
    return nullptr;
}

}  // namespace

quillkit::Result<SharedPixels> SharedPixels::create()
{
    const quillkit::OwnedFd made(memfd_create(kName, MFD_CLOEXEC));
    // Above the numbers it is handed over on, so that dup2 never meets
    // itself and keeps close-on-exec.
    quillkit::OwnedFd fd(made ? fcntl(made.get(), F_DUPFD_CLOEXEC, 10) : -1);
    if (!fd || ftruncate(fd.get(), static_cast<off_t>(kBytes)) != 0)
        return quillkit::fail(std::string("cannot make the pixels' memory: ") +
                              std::strerror(errno));
    unsigned char *data = nullptr;
    if (auto mapped = map(fd.get(), data); !mapped)
        return quillkit::fail(mapped.error());
    return SharedPixels(std::move(fd), data, kBytes);
}

quillkit::Result<SharedPixels> SharedPixels::adopt(int fd)
{
    // Only the memory file quillview made: a descriptor inherited by
    // chance under that number is left alone.
    char link[64] = {};
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    const std::string expected = std::string("/memfd:") + kName;
    if (n <= 0 || std::string(link, static_cast<std::size_t>(n)).rfind(expected, 0) != 0)
        return quillkit::fail("no pixels' memory was handed over");
    quillkit::OwnedFd owned(fd);
    unsigned char *data = nullptr;
    if (auto mapped = map(owned.get(), data); !mapped)
        return quillkit::fail(mapped.error());
    return SharedPixels(std::move(owned), data, kBytes);
}

SharedPixels::SharedPixels(SharedPixels &&other) noexcept
    : fd_(std::move(other.fd_)), data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0))
{
}

SharedPixels &SharedPixels::operator=(SharedPixels &&other) noexcept
{
    if (this != &other) {
        if (data_ != nullptr)
            munmap(data_, size_);
        fd_ = std::move(other.fd_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

SharedPixels::~SharedPixels()
{
    if (data_ != nullptr)
        munmap(data_, size_);
}

}  // namespace quillview

// png_output.cpp - the clock drawn into a PNG file.
#include "png_output.h"

#include <cairo.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "frame.h"
#include "qxdraw.h"

namespace qxclock {

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// An open descriptor, closed when it goes.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    // Closes now, reporting a failure (a late write error shows up here).
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// Where the bytes go: the descriptor and the first write error.
struct Sink {
    int fd;
    int error = 0;
};

cairo_status_t write_all(void *closure, const unsigned char *data, unsigned int length)
{
    Sink &sink = *static_cast<Sink *>(closure);
    while (length > 0) {
        const ssize_t n = ::write(sink.fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            sink.error = n < 0 ? errno : ENOSPC;
            return CAIRO_STATUS_WRITE_ERROR;
        }
        data += n;
        length -= static_cast<unsigned>(n);
    }
    return CAIRO_STATUS_SUCCESS;
}

std::string failure(const std::string &path, int err, cairo_status_t status)
{
    return "cannot write '" + path +
           "': " + (err ? std::strerror(err) : cairo_status_to_string(status));
}

// Writes the PNG to `fd`; returns 0 or the errno of the failure (EIO when
// cairo failed without one).
int write_png(cairo_surface_t *surface, int fd, cairo_status_t &status)
{
    Sink sink{fd};
    status = cairo_surface_write_to_png_stream(surface, write_all, &sink);
    if (status == CAIRO_STATUS_SUCCESS)
        return 0;
    return sink.error ? sink.error : EIO;
}

// The mode a new file gets: what creat() would give it.
mode_t new_file_mode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Replaces the regular file `target` (or creates it) through a temporary file
// in its directory.
bool replace_file(cairo_surface_t *surface, const std::string &shown, const std::string &target,
                  const struct stat *existing, std::string &error)
{
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : dir) + ".qxclock-XXXXXX";
    Fd fd(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        error = "cannot write '" + shown + "': cannot create a file in '" + dir +
                "': " + std::strerror(errno);
        return false;
    }
    const mode_t mode = existing ? (existing->st_mode & 07777) : new_file_mode();
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    int err = write_png(surface, fd.get(), status);
    if (err == 0 && fchmod(fd.get(), mode) != 0)
        err = errno;
    if (err == 0 && fsync(fd.get()) != 0)
        err = errno;
    if (fd.close() != 0 && err == 0)
        err = errno;
    if (err == 0 && std::rename(temp.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());  // ours: made by mkostemp above
        error = failure(shown, err, status);
        return false;
    }
    return true;
}

// Writes into something that exists and is not a regular file, as it is.
bool write_in_place(cairo_surface_t *surface, const std::string &path, std::string &error)
{
    Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        error = failure(path, errno, CAIRO_STATUS_SUCCESS);
        return false;
    }
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    int err = write_png(surface, fd.get(), status);
    if (fd.close() != 0 && err == 0)
        err = errno;
    if (err != 0) {
        error = failure(path, err, status);
        return false;
    }
    return true;
}

bool save_png(cairo_surface_t *surface, const std::string &path, std::string &error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        struct stat link {};
        if (err != ENOENT) {
            error = failure(path, err, CAIRO_STATUS_SUCCESS);
            return false;
        }
        if (::lstat(path.c_str(), &link) == 0) {
            // A symbolic link to nothing: not ours to replace.
            error = "cannot write '" + path + "': a symbolic link to a missing file";
            return false;
        }
        return replace_file(surface, path, path, nullptr, error);
    }
    if (S_ISDIR(st.st_mode)) {
        error = failure(path, EISDIR, CAIRO_STATUS_SUCCESS);
        return false;
    }
    if (!S_ISREG(st.st_mode))
        return write_in_place(surface, path, error);
    // A regular file, perhaps behind symbolic links: replace the file itself.
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    if (!real) {
        error = failure(path, errno, CAIRO_STATUS_SUCCESS);
        return false;
    }
    return replace_file(surface, path, real.get(), &st, error);
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

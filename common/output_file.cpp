// output_file.cpp - writing a program's output file safely.
#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "write_all.h"

namespace quillkit {

namespace {

// Paths whose files are the system's own views of descriptors and devices:
// always written in place, never renamed over.
constexpr std::string_view kInPlacePrefixes[] = {"/dev/", "/proc/"};

bool under_system_folder(std::string_view path)
{
    for (const std::string_view prefix : kInPlacePrefixes)
        if (path.substr(0, prefix.size()) == prefix)
            return true;
    return false;
}

// The mode a new file gets: what creat() would give it.
mode_t new_file_mode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string folder_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::OutputFile(int fd, std::string shown)
    : path_(std::move(shown)), mode_(Mode::kDescriptor), borrowed_fd_(fd)
{
}

OutputFile OutputFile::for_descriptor(int fd, std::string shown)
{
    return OutputFile(fd, std::move(shown));
}

Error OutputFile::failure(int error) const
{
    return fail("cannot write '" + path_ + "': " + std::strerror(error));
}

Status OutputFile::open()
{
    if (mode_ == Mode::kDescriptor) {
        ::signal(SIGPIPE, SIG_IGN);  // as in open_in_place
        return {};
    }
    if (path_.empty())
        return failure(ENOENT);
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        const int err = errno;
        struct stat link {};
        if (err != ENOENT)
            return failure(err);
        if (::lstat(path_.c_str(), &link) == 0) {
            // A symbolic link to nothing: not ours to replace by a file.
            return fail("cannot write '" + path_ + "': a symbolic link to a missing file");
        }
        if (!path_.empty() && path_.back() == '/')
            return failure(EISDIR);
        target_ = path_;
        permissions_ = new_file_mode();
        return create_temporary();
    }
    if (S_ISDIR(st.st_mode))
        return fail("cannot create '" + path_ + "': " + std::strerror(EISDIR));
    if (!S_ISREG(st.st_mode) || under_system_folder(path_))
        return open_in_place();
    // As cp: a file the user may not write is not replaced either.
    if (::faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0)
        return failure(errno);
    // A regular file, perhaps behind symbolic links: the file itself is
    // replaced, in its own folder.
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path_.c_str(), nullptr),
                                                           &std::free);
    if (!real)
        return failure(errno);
    target_ = real.get();
    permissions_ = st.st_mode & 07777;
    return create_temporary();
}

Status OutputFile::open_in_place()
{
    mode_ = Mode::kInPlace;
    // A pipe whose reader has gone must be a reported write error (EPIPE),
    // not a silent death.
    ::signal(SIGPIPE, SIG_IGN);
    struct stat st {};
    const bool regular = ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    fd_ = OwnedFd(::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (regular ? O_TRUNC : 0)));
    if (!fd_)
        return failure(errno);
    return {};
}

Status OutputFile::create_temporary()
{
    mode_ = Mode::kReplace;
    signals_.emplace();
    const std::string folder = folder_of(target_);
    // An unnamed file leaves nothing behind, whatever ends the process; it is
    // given a name only just before the rename.
    fd_ = OwnedFd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fd_) {
        unnamed_ = true;
        return {};
    }
    std::string name = (folder == "/" ? "" : folder) + "/." + base_of(target_) + ".XXXXXX";
    fd_ = OwnedFd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd_) {
        const int err = errno;
        signals_.reset();
        return fail("cannot write '" + path_ + "': cannot create a file in '" + folder +
                    "': " + std::strerror(err));
    }
    temp_name_ = std::move(name);
    return {};
}

bool OutputFile::write(const void *data, std::size_t size)
{
    check_signals();
    if (write_error_ != 0)
        return false;
    const int fd = mode_ == Mode::kDescriptor ? borrowed_fd_ : fd_.get();
    write_error_ = write_all(fd, data, size);
    return write_error_ == 0;
}

void OutputFile::check_signals()
{
    if (!signals_)
        return;
    if (const int sig = signals_->arrived()) {
        discard();
        signals_->die_of(sig);
    }
}

// Names the unnamed temporary file beside the target, then renames it over.
Status OutputFile::publish()
{
    const std::string folder = folder_of(target_);
    const std::string stem = (folder == "/" ? "" : folder) + "/." + base_of(target_) + ".";
    const std::string proc_entry = "/proc/self/fd/" + std::to_string(fd_.get());
    for (unsigned attempt = 0; unnamed_; ++attempt) {
        std::string name = stem + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        // The descriptor alone does it where the process may; elsewhere its
        // entry in /proc does.
        if (::linkat(fd_.get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
            (errno != EEXIST && ::linkat(AT_FDCWD, proc_entry.c_str(), AT_FDCWD, name.c_str(),
                                         AT_SYMLINK_FOLLOW) == 0)) {
            temp_name_ = std::move(name);
            unnamed_ = false;
        } else if (errno != EEXIST) {
            return failure(errno);
        }
    }
    check_signals();
    if (!fd_.reset())
        return failure(errno);
    if (::rename(temp_name_.c_str(), target_.c_str()) != 0)
        return failure(errno);
    temp_name_.clear();
    return {};
}

Status OutputFile::commit()
{
    check_signals();
    int err = write_error_;
    switch (mode_) {
    case Mode::kDescriptor:
        break;
    case Mode::kInPlace:
        if (!fd_.reset() && err == 0)
            err = errno;
        break;
    case Mode::kReplace:
        if (err == 0 && ::fchmod(fd_.get(), permissions_) != 0)
            err = errno;
        if (err == 0) {
            Status published = publish();
            discard();
            return published;
        }
        break;
    }
    discard();
    if (err != 0)
        return failure(err);
    return {};
}

void OutputFile::discard()
{
    fd_.reset();
    unnamed_ = false;
    if (!temp_name_.empty())
        ::unlink(temp_name_.c_str());
    temp_name_.clear();
    signals_.reset();
}

bool OutputFile::names_file(const std::string &path, const struct stat &other)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_dev == other.st_dev && st.st_ino == other.st_ino;
}

void OutputFile::remove_stale(const std::string &path)
{
    struct stat st {};
    if (!path.empty() && !under_system_folder(path) && ::stat(path.c_str(), &st) == 0 &&
        S_ISREG(st.st_mode))
        ::unlink(path.c_str());
}

}  // namespace quillkit

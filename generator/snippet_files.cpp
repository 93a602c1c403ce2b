// snippet_files.cpp - finding the snippet files and reading them again.
#include "snippet_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "owned_fd.h"

namespace quillmake {

namespace {

constexpr std::string_view kSuffix = ".cairo";
constexpr std::size_t kReadBlock = 64 * 1024;

using quillkit::OwnedFd;

bool ends_with_suffix(std::string_view arg)
{
    return arg.size() >= kSuffix.size() && arg.substr(arg.size() - kSuffix.size()) == kSuffix;
}

// Opens a snippet without waiting on it (a FIFO or a device would otherwise
// block) and tells what it is.
OwnedFd open_snippet(const std::string &path, struct stat &st)
{
    OwnedFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd && ::fstat(fd.get(), &st) != 0)
        fd.reset();
    return fd;
}

bool same_time(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A rewrite of the same size with the old modification time put back still
// moves the change time, which no caller can set.
bool same_file_state(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           same_time(a.st_mtim, b.st_mtim) && same_time(a.st_ctim, b.st_ctim);
}

}  // namespace

Scan scan_snippets(const std::vector<std::string> &args)
{
    Scan scan;
    for (const std::string &arg : args) {
        Snippet snippet{arg, arg.substr(0, arg.size() - std::min(arg.size(), kSuffix.size())), {}};
        const bool opened = static_cast<bool>(open_snippet(arg, snippet.seen));
        if (opened)
            scan.inputs.push_back(snippet.seen);
        if (!opened || !ends_with_suffix(arg) || !S_ISREG(snippet.seen.st_mode)) {
            scan.rejected = arg;
            break;
        }
        scan.accepted.push_back(std::move(snippet));
    }
    return scan;
}

std::string absolute_path(const std::string &path)
{
    std::filesystem::path full(path);
    if (full.is_relative()) {
        const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
        if (!cwd)
            return path;
        full = std::filesystem::path(cwd.get()) / full;
    }
    return full.lexically_normal().string();
}

SnippetReader::SnippetReader(const std::vector<Snippet> &snippets,
                             std::function<void()> between_blocks)
    : snippets_(snippets), between_blocks_(std::move(between_blocks)), block_(kReadBlock)
{
}

bool SnippetReader::operator()(std::size_t index, const quillkit::EmitBytes &emit)
{
    const Snippet &snippet = snippets_[index];
    struct stat before {};
    errno = 0;
    const OwnedFd fd = open_snippet(snippet.path, before);
    if (!fd) {
        failure_ = Failure{"cannot open '" + snippet.path + "'", errno};
        return false;
    }
    off_t total = 0;
    for (;;) {
        between_blocks_();
        const ssize_t got = ::read(fd.get(), block_.data(), block_.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failure_ = Failure{"cannot read '" + snippet.path + "'", errno};
            return false;
        }
        if (got == 0)
            break;
        total += got;
        emit(std::string_view(block_.data(), static_cast<std::size_t>(got)));
    }
    struct stat after {};
    if (!same_file_state(before, snippet.seen) || ::fstat(fd.get(), &after) != 0 ||
        !same_file_state(after, snippet.seen) || total != snippet.seen.st_size) {
        failure_ = Failure{"'" + snippet.path + "' changed while being read", 0};
        return false;
    }
    return true;
}

}  // namespace quillmake

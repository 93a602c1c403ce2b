// folder_monitor.cpp - inotify on the snippets' folders, less the window's
// own writes.
#include "folder_monitor.h"

#include <glib-unix.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace quillview {

using quillkit::fail;
using quillkit::Status;

namespace {

// Written and closed, renamed or moved in, made (a link appears at once);
// and the overflow of the kernel's queue, after which every file is news.
constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR;
constexpr std::size_t kBufferBytes = 64 * 1024;

bool same_time(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::string real_path(const std::string &path)
{
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr),
                                                           &std::free);
    return real ? real.get() : path;
}

std::string folder_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FolderMonitor::FolderMonitor(std::function<void(const std::string &path)> changed)
    : changed_(std::move(changed)), inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (inotify_)
        source_ = g_unix_fd_add(inotify_.get(), G_IO_IN, &FolderMonitor::on_readable, this);
}

FolderMonitor::~FolderMonitor()
{
    if (source_ != 0)
        g_source_remove(source_);
}

Status FolderMonitor::watch(const std::string &file)
{
    const auto known = std::find_if(files_.begin(), files_.end(),
                                    [&](const Watched &w) { return w.path == file; });
    if (known != files_.end())
        return {};
    const Watched w{file, real_path(file)};
    if (Status s = watch_folder(folder_of(w.path)); !s)
        return s;
    if (Status s = watch_folder(folder_of(w.real)); !s)
        return s;
    files_.push_back(w);
    return {};
}

Status FolderMonitor::watch_folder(const std::string &folder)
{
    if (!inotify_)
        return fail("cannot watch '" + folder + "': " + std::strerror(errno));
    for (const auto &[wd, name] : folders_)
        if (name == folder)
            return {};
    const int wd = inotify_add_watch(inotify_.get(), folder.c_str(), kEvents);
    if (wd < 0)
        return fail("cannot watch '" + folder + "': " + std::strerror(errno));
    folders_[wd] = folder;
    return {};
}

Status FolderMonitor::write_own(const std::string &path,
                                const std::function<quillkit::Status()> &write)
{
    const Status written = write();
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        written_[path] = Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    return written;
}

bool FolderMonitor::is_own(const std::string &path) const
{
    const auto it = written_.find(path);
    struct stat st {};
    if (it == written_.end() || stat(path.c_str(), &st) != 0)
        return false;
    const Identity &w = it->second;
    return w.dev == st.st_dev && w.ino == st.st_ino && w.size == st.st_size &&
           same_time(w.mtime, st.st_mtim) && same_time(w.ctime, st.st_ctim);
}

void FolderMonitor::on_entry(const std::string &entry, bool created)
{
    // A file made empty and then written is reported once it is closed; only
    // a symbolic link is whole the moment it appears.
    struct stat st {};
    if (created && (lstat(entry.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)))
        return;
    // Copied: the window may watch more files from its handler.
    const std::vector<Watched> files = files_;
    for (const Watched &w : files) {
        if (w.path != entry && w.real != entry)
            continue;
        if (w.path == entry) {
            // A link may lead elsewhere now.
            const std::string real = real_path(w.path);
            for (Watched &f : files_)
                if (f.path == w.path)
                    f.real = real;
            // Should its folder not be watched, the link's own still is.
            static_cast<void>(watch_folder(folder_of(real)));
        }
        if (!is_own(w.path))
            changed_(w.path);
    }
}

void FolderMonitor::read_events()
{
    alignas(inotify_event) char buffer[kBufferBytes];
    for (;;) {
        const ssize_t got = read(inotify_.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        for (ssize_t at = 0; at < got;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if ((e->mask & IN_Q_OVERFLOW) != 0) {
                const std::vector<Watched> files = files_;
                for (const Watched &w : files)
                    if (!is_own(w.path))
                        changed_(w.path);
                continue;
            }
            if ((e->mask & IN_IGNORED) != 0) {
                folders_.erase(e->wd);
                continue;
            }
            const auto folder = folders_.find(e->wd);
            if (folder == folders_.end() || e->len == 0)
                continue;
            const std::string entry = (folder->second == "/" ? "" : folder->second) + "/" + e->name;
            on_entry(entry, (e->mask & IN_CREATE) != 0);
        }
    }
}

gboolean FolderMonitor::on_readable(gint, GIOCondition, gpointer data)
{
    static_cast<FolderMonitor *>(data)->read_events();
    return G_SOURCE_CONTINUE;
}

}  // namespace quillview

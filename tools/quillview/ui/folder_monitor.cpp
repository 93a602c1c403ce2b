// folder_monitor.cpp - GFileMonitor on each folder, less the window's own
// writes.
#include "folder_monitor.h"

#include <algorithm>

namespace quillview {

using quillkit::fail;
using quillkit::Status;

namespace {

bool same_time(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

FolderMonitor::FolderMonitor(std::function<void(const std::string &path)> changed)
    : changed_(std::move(changed))
{
}

FolderMonitor::~FolderMonitor()
{
    for (GFileMonitor *m : monitors_) {
        g_signal_handlers_disconnect_by_data(m, this);
        g_file_monitor_cancel(m);
        g_object_unref(m);
    }
}

Status FolderMonitor::watch(const std::string &folder)
{
    if (std::find(folders_.begin(), folders_.end(), folder) != folders_.end())
        return {};
    GFile *dir = g_file_new_for_path(folder.c_str());
    GError *error = nullptr;
    GFileMonitor *monitor =
        g_file_monitor_directory(dir, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error);
    g_object_unref(dir);
    if (monitor == nullptr) {
        const std::string message = "cannot watch '" + folder + "': " + error->message;
        g_error_free(error);
        return fail(message);
    }
    g_signal_connect(monitor, "changed", G_CALLBACK(&FolderMonitor::on_event), this);
    folders_.push_back(folder);
    monitors_.push_back(monitor);
    return {};
}

Status FolderMonitor::write_own(const std::string &path,
                                const std::function<quillkit::Status()> &write)
{
    pause();
    const Status written = write();
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        written_[path] = Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    resume();
    return written;
}

void FolderMonitor::pause()
{
    for (GFileMonitor *m : monitors_)
        g_signal_handlers_block_by_func(m, reinterpret_cast<gpointer>(&FolderMonitor::on_event),
                                        this);
}

void FolderMonitor::resume()
{
    for (GFileMonitor *m : monitors_)
        g_signal_handlers_unblock_by_func(m, reinterpret_cast<gpointer>(&FolderMonitor::on_event),
                                          this);
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

void FolderMonitor::on_event(GFileMonitor *, GFile *file, GFile *other, GFileMonitorEvent event,
                             gpointer data)
{
    auto *self = static_cast<FolderMonitor *>(data);
    GFile *target = nullptr;
    switch (event) {
    case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
    case G_FILE_MONITOR_EVENT_MOVED_IN:
        target = file;
        break;
    case G_FILE_MONITOR_EVENT_RENAMED:
        target = other;  // a new file renamed over the one watched
        break;
    default:
        return;
    }
    char *path = target != nullptr ? g_file_get_path(target) : nullptr;
    if (path == nullptr)
        return;
    const std::string changed(path);
    g_free(path);
    if (!self->is_own(changed))
        self->changed_(changed);
}

}  // namespace quillview

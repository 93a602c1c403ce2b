// folder_listing.cpp - GFileMonitor's events about whole files.
#include "folder_listing.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace quillview {

namespace {

constexpr std::string_view kSuffix = ".cairo";

std::string path_of(GFile *file)
{
    char *path = file != nullptr ? g_file_get_path(file) : nullptr;
    std::string result = path != nullptr ? path : "";
    g_free(path);
    return result;
}

}  // namespace

bool is_snippet_path(const std::string &path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    return name.size() > kSuffix.size() &&
           name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

FolderListing::FolderListing(Changed changed) : changed_(std::move(changed)) {}

FolderListing::~FolderListing()
{
    for (GFileMonitor *m : monitors_) {
        g_signal_handlers_disconnect_by_data(m, this);
        g_file_monitor_cancel(m);
        g_object_unref(m);
    }
}

quillkit::Status FolderListing::watch(const std::string &folder)
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
        return quillkit::fail(message);
    }
    g_signal_connect(monitor, "changed", G_CALLBACK(&FolderListing::on_event), this);
    folders_.push_back(folder);
    monitors_.push_back(monitor);
    return {};
}

void FolderListing::on_event(GFileMonitor *, GFile *file, GFile *other, GFileMonitorEvent event,
                             gpointer data)
{
    auto *self = static_cast<FolderListing *>(data);
    const std::string path = path_of(file), to = path_of(other);
    switch (event) {
    case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
    case G_FILE_MONITOR_EVENT_MOVED_IN:
        if (is_snippet_path(path))
            self->changed_(Change::kCame, path, {});
        break;
    case G_FILE_MONITOR_EVENT_DELETED:
    case G_FILE_MONITOR_EVENT_MOVED_OUT:
        if (is_snippet_path(path))
            self->changed_(Change::kWent, path, {});
        break;
    case G_FILE_MONITOR_EVENT_RENAMED:
        if (is_snippet_path(path) || is_snippet_path(to))
            self->changed_(Change::kRenamed, path, to);
        break;
    default:
        break;
    }
}

}  // namespace quillview

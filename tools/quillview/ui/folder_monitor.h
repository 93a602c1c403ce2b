// folder_monitor.h - the snippets' files watched for changes, reported at
// once: written in place (closed after writing), or a new file renamed over
// them (as editors save). Each snippet's folder is watched, and the folder
// of the file it leads to when it is a symbolic link, through inotify
// itself: no rate limit, no batching of events.
//
// The window's own writes are not changes: an event about a file the
// window wrote is dropped for as long as the file is still the one it
// wrote (the same device, inode, size, modification and change times).
// Events come through the main loop after the write, so a pause held only
// while writing would let them through.
#ifndef QUILLVIEW_UI_FOLDER_MONITOR_H
#define QUILLVIEW_UI_FOLDER_MONITOR_H

#include <glib.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "owned_fd.h"
#include "result.h"

namespace quillview {

class FolderMonitor {
public:
    // `changed` gets the absolute path of each snippet file changed by
    // others, as watch() was given it.
    explicit FolderMonitor(std::function<void(const std::string &path)> changed);
    ~FolderMonitor();
    FolderMonitor(const FolderMonitor &) = delete;
    FolderMonitor &operator=(const FolderMonitor &) = delete;

    // Watches the snippet file at absolute path `file` too (once however
    // often asked).
    quillkit::Status watch(const std::string &file);
    // Runs `write`, the window's own writing of the file at absolute path
    // `path`, with the monitor paused: no event about the file as `write`
    // left it comes through.
    quillkit::Status write_own(const std::string &path,
                               const std::function<quillkit::Status()> &write);

private:
    struct Identity {
        dev_t dev;
        ino_t ino;
        off_t size;
        timespec mtime, ctime;
    };
    struct Watched {
        std::string path;  // as the window names it
        std::string real;  // the file it leads to, symbolic links resolved
    };
    quillkit::Status watch_folder(const std::string &folder);
    bool is_own(const std::string &path) const;
    void on_entry(const std::string &entry, bool created);
    void read_events();
    static gboolean on_readable(gint, GIOCondition, gpointer data);

    std::function<void(const std::string &)> changed_;
    quillkit::OwnedFd inotify_;
    guint source_ = 0;
    std::map<int, std::string> folders_;  // by watch descriptor
    std::vector<Watched> files_;
    std::map<std::string, Identity> written_;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_FOLDER_MONITOR_H

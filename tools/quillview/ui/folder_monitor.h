// folder_monitor.h - the snippets' folders watched for files that change:
// written in place, or a new file renamed over them (as editors save).
//
// The window's own writes are not changes: an event about a file the
// window wrote is dropped for as long as the file is still the one it
// wrote (the same device, inode, size, modification and change times).
// Events come through the main loop after the write, so a pause held only
// while writing would let them through.
#ifndef QUILLVIEW_UI_FOLDER_MONITOR_H
#define QUILLVIEW_UI_FOLDER_MONITOR_H

#include <gio/gio.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "result.h"

namespace quillview {

class FolderMonitor {
public:
    // `changed` gets the absolute path of each file changed by others.
    explicit FolderMonitor(std::function<void(const std::string &path)> changed);
    ~FolderMonitor();
    FolderMonitor(const FolderMonitor &) = delete;
    FolderMonitor &operator=(const FolderMonitor &) = delete;

    // Watches the folder at absolute path `folder` too (once however often
    // asked).
    quillkit::Status watch(const std::string &folder);
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
    bool is_own(const std::string &path) const;
    void pause();
    void resume();
    static void on_event(GFileMonitor *, GFile *file, GFile *other, GFileMonitorEvent event,
                         gpointer data);

    std::function<void(const std::string &)> changed_;
    std::vector<std::string> folders_;
    std::vector<GFileMonitor *> monitors_;
    std::map<std::string, Identity> written_;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_FOLDER_MONITOR_H

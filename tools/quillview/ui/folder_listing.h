// folder_listing.h - the snippets' folders watched for snippet files (names
// ending in .cairo) that come, go and are renamed; changes to a file's text
// are FolderMonitor's. A file comes when it has been written and closed, or
// moved or renamed in; it goes when deleted, moved or renamed away.
#ifndef QUILLVIEW_UI_FOLDER_LISTING_H
#define QUILLVIEW_UI_FOLDER_LISTING_H

#include <gio/gio.h>

#include <functional>
#include <string>
#include <vector>

#include "result.h"

namespace quillview {

class FolderListing {
public:
    enum class Change { kCame, kWent, kRenamed };
    // `path` came or went, or was renamed to `to` (absolute paths).
    using Changed =
        std::function<void(Change change, const std::string &path, const std::string &to)>;

    explicit FolderListing(Changed changed);
    ~FolderListing();
    FolderListing(const FolderListing &) = delete;
    FolderListing &operator=(const FolderListing &) = delete;

    // Watches the folder at absolute path `folder` too (once however often
    // asked).
    quillkit::Status watch(const std::string &folder);

private:
    static void on_event(GFileMonitor *, GFile *file, GFile *other, GFileMonitorEvent event,
                         gpointer data);

    Changed changed_;
    std::vector<std::string> folders_;
    std::vector<GFileMonitor *> monitors_;
};

// Whether `path` names a snippet file (ends in ".cairo" after a name).
bool is_snippet_path(const std::string &path);

}  // namespace quillview

#endif  // QUILLVIEW_UI_FOLDER_LISTING_H

// file_notes.h - what the window says about a snippet's file besides its
// build: kept by the file's path, shown in the bar above the editor and in
// the title.
#ifndef QUILLVIEW_UI_FILE_NOTES_H
#define QUILLVIEW_UI_FILE_NOTES_H

#include <string>

namespace quillview {

struct FileNotes {
    // The file changed on disk while the editor held unsaved text.
    bool changed_on_disk = false;
    // The file is not UTF-8 (shown as Latin-1, read-only) and the user chose
    // to edit it all the same.
    bool unlocked = false;
    // The file was deleted (or moved away) while the editor held unsaved
    // text: the snippet stays until that text is saved or dropped.
    bool deleted_on_disk = false;
    // Why the last save failed, in full; empty after a save that worked.
    std::string not_saved;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_FILE_NOTES_H

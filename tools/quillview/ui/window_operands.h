// window_operands.h - the snippets a window opens for its command line.
// Unlike an export it takes a folder without snippets (the window offers to
// make one) and a snippet file that does not exist yet (made when saved).
#ifndef QUILLVIEW_UI_WINDOW_OPERANDS_H
#define QUILLVIEW_UI_WINDOW_OPERANDS_H

#include <string>
#include <vector>

#include "result.h"
#include "snippet_files.h"

namespace quillview {

struct WindowSnippets {
    std::vector<SnippetFile> files;    // on disk
    std::vector<SnippetFile> missing;  // named, not there yet: a new snippet each
    std::vector<std::string> folders;  // the folders named (or the current one)
};

// As find_snippets, but a folder may hold no snippets and a snippet file
// may be missing when its folder is there.
quillkit::Result<WindowSnippets> find_window_snippets(const std::vector<std::string> &operands,
                                                      std::vector<std::string> *warnings);

}  // namespace quillview

#endif  // QUILLVIEW_UI_WINDOW_OPERANDS_H

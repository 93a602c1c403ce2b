// snippet_files.h - the snippets a command line names.
#ifndef QUILLVIEW_CORE_SNIPPET_FILES_H
#define QUILLVIEW_CORE_SNIPPET_FILES_H

#include <string>
#include <vector>

#include "result.h"

namespace quillview {

// One snippet: its name (the file name less ".cairo"), its file, and the
// folder its background files are looked up in.
struct SnippetFile {
    std::string name;
    std::string path;
    std::string folder;
};

// The snippets the operands name: each file as it is, each folder's *.cairo
// in name order, the current folder's without operands. A folder's entry
// that cannot be read as a file (a link that leads nowhere, a loop of links)
// is left out with a warning, put in `warnings` or else printed on standard
// error. Fails when an operand is neither a snippet file nor a folder, or
// there is no snippet.
quillkit::Result<std::vector<SnippetFile>>
find_snippets(const std::vector<std::string> &operands,
              std::vector<std::string> *warnings = nullptr);

// The whole content of a file.
quillkit::Result<std::string> read_text(const std::string &path);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_SNIPPET_FILES_H

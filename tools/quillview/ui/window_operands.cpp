// window_operands.cpp - folders, files and files to be.
#include "window_operands.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "folder_listing.h"

namespace quillview {

namespace fs = std::filesystem;

quillkit::Result<WindowSnippets> find_window_snippets(const std::vector<std::string> &operands,
                                                      std::vector<std::string> *warnings)
{
    WindowSnippets found;
    const std::vector<std::string> args =
        operands.empty() ? std::vector<std::string>{"."} : operands;
    for (const std::string &arg : args) {
        struct stat st {};
        const bool exists = stat(arg.c_str(), &st) == 0;
        if (!exists && errno == ENOENT && is_snippet_path(arg)) {
            const fs::path file(arg);
            const std::string folder =
                file.parent_path().empty() ? "." : file.parent_path().string();
            std::error_code ec;
            if (fs::is_directory(folder, ec)) {
                const std::string base = file.filename().string();
                found.missing.push_back(
                    {base.substr(0, base.size() - std::string_view(".cairo").size()), arg, folder});
                continue;
            }
        }
        quillkit::Result<std::vector<SnippetFile>> snippets = find_snippets({arg}, warnings);
        const bool folder = exists && S_ISDIR(st.st_mode);
        if (folder)
            found.folders.push_back(arg);
        if (snippets) {
            found.files.insert(found.files.end(), snippets->begin(), snippets->end());
            continue;
        }
        // A folder that can be read has no snippets: fine for a window.
        std::error_code ec;
        const fs::directory_iterator listing(arg, ec);
        if (!folder || ec)
            return quillkit::fail(snippets.error());
    }
    return found;
}

}  // namespace quillview

// options.h - quillview's command line, and the snippets it names.
#ifndef QUILLVIEW_OPTIONS_H
#define QUILLVIEW_OPTIONS_H

#include <string>
#include <vector>

namespace quillview {

enum class Mode { kWindow, kExport, kList, kHelp, kVersion, kRenderServer };

// The picture formats of an export; the gallery page is one more.
struct Formats {
    bool png = true, svg = true, pdf = true, html = true;
};

constexpr int kDefaultExportSize = 512;
constexpr int kMaxSize = 8192;

struct Options {
    Mode mode = Mode::kWindow;
    std::string export_dir;
    Formats formats;
    int size = 0;  // 0: the export's default, or the window's canvas
    std::vector<std::string> operands;
};

// One snippet: its name (the file name less ".cairo"), its file, and the
// folder its background files are looked up in.
struct SnippetFile {
    std::string name;
    std::string path;
    std::string folder;
};

// Parses argv; on a mistake returns false with a one-line `error`.
bool parse_options(int argc, char **argv, Options &opts, std::string &error);

// The snippets the operands name: each file as it is, each folder's *.cairo
// in name order, the current folder's without operands. False with `error`
// when an operand is neither a snippet file nor a folder, or there is none.
bool find_snippets(const std::vector<std::string> &operands, std::vector<SnippetFile> &snippets,
                   std::string &error);

const char *usage_text();

}  // namespace quillview

#endif  // QUILLVIEW_OPTIONS_H

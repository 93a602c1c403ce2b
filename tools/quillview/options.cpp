// options.cpp - quillview's command line, and the snippets it names.
#include "options.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace quillview {

namespace {

constexpr std::string_view kSuffix = ".cairo";

bool ends_with_suffix(std::string_view s)
{
    return s.size() > kSuffix.size() && s.substr(s.size() - kSuffix.size()) == kSuffix;
}

bool parse_size(const std::string &text, int &size)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v < 1 || v > kMaxSize)
        return false;
    size = static_cast<int>(v);
    return true;
}

bool parse_formats(const std::string &text, Formats &formats)
{
    formats = Formats{false, false, false, false};
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        if (item == "png")
            formats.png = true;
        else if (item == "svg")
            formats.svg = true;
        else if (item == "pdf")
            formats.pdf = true;
        else if (item == "html")
            formats.html = true;
        else
            return false;
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

SnippetFile snippet_of(const std::filesystem::path &file)
{
    const std::string base = file.filename().string();
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    return {base.substr(0, base.size() - kSuffix.size()), file.string(), folder.string()};
}

}  // namespace

bool parse_options(int argc, char **argv, Options &opts, std::string &error)
{
    bool operands_only = false;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (operands_only || arg.empty() || arg[0] != '-' || arg == "-") {
            opts.operands.push_back(arg);
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const bool has_value = eq != std::string::npos;
        const std::string value = has_value ? arg.substr(eq + 1) : "";
        if (arg == "--") {
            operands_only = true;
        } else if (arg == "--help") {
            opts.mode = Mode::kHelp;
        } else if (arg == "--version") {
            opts.mode = Mode::kVersion;
        } else if (arg == "--list") {
            opts.mode = Mode::kList;
        } else if (arg == "--render-server") {
            opts.mode = Mode::kRenderServer;
        } else if (name == "--export") {
            if (value.empty()) {
                error = "option '--export' needs a folder: --export=DIR";
                return false;
            }
            opts.mode = Mode::kExport;
            opts.export_dir = value;
        } else if (name == "--format") {
            if (!has_value || !parse_formats(value, opts.formats)) {
                error = "invalid --format '" + value + "' (a list of png, svg, pdf, html)";
                return false;
            }
        } else if (name == "--size") {
            if (!has_value || !parse_size(value, opts.size)) {
                error = "invalid --size '" + value + "' (1 to " + std::to_string(kMaxSize) + ")";
                return false;
            }
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    // --help and --version win over everything else, as they do elsewhere.
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0) {
            opts.mode = Mode::kHelp;
            break;
        }
        if (std::strcmp(argv[i], "--version") == 0)
            opts.mode = Mode::kVersion;
    }
    return true;
}

bool find_snippets(const std::vector<std::string> &operands, std::vector<SnippetFile> &snippets,
                   std::string &error)
{
    const std::vector<std::string> args =
        operands.empty() ? std::vector<std::string>{"."} : operands;
    for (const std::string &arg : args) {
        struct stat st {};
        if (stat(arg.c_str(), &st) != 0) {
            error = "cannot open '" + arg + "': " + std::strerror(errno);
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            std::vector<std::filesystem::path> found;
            std::error_code ec;
            for (const auto &entry : std::filesystem::directory_iterator(arg, ec)) {
                const std::filesystem::path &p = entry.path();
                if (ends_with_suffix(p.filename().string()) && entry.is_regular_file(ec))
                    found.push_back(arg == "." ? p.filename() : p);
            }
            if (ec) {
                error = "cannot read the folder '" + arg + "': " + ec.message();
                return false;
            }
            std::sort(found.begin(), found.end());
            for (const auto &p : found)
                snippets.push_back(snippet_of(p));
        } else if (S_ISREG(st.st_mode) && ends_with_suffix(arg)) {
            snippets.push_back(snippet_of(arg));
        } else {
            error = "'" + arg + "' is neither a snippet (*.cairo) nor a folder";
            return false;
        }
    }
    if (snippets.empty()) {
        error = "no snippets (*.cairo) in '" + args.front() + "'";
        return false;
    }
    return true;
}

const char *usage_text()
{
    return "Usage: quillview [SNIPPET.cairo... | FOLDER]\n"
           "       quillview --export=DIR [--format=png,svg,pdf,html] [--size=N] [SNIPPETS...]\n"
           "       quillview --list [SNIPPETS...]\n"
           "A live playground for cairo snippets: each snippet drawn beside its source,\n"
           "redrawn whenever its file changes or its text is edited.\n"
           "Without operands, the current folder's *.cairo.\n"
           "\n"
           "  --export=DIR   write NAME.png, NAME.svg, NAME.pdf and index.html into DIR\n"
           "                 (no display needed)\n"
           "  --format=LIST  what --export writes, from png,svg,pdf,html (default all)\n"
           "  --size=N       picture side in pixels, 1 to 8192 (export: 512; window:\n"
           "                 follows the canvas)\n"
           "  --list         print the snippets' names, one a line\n"
           "  --help         print this help\n"
           "  --version      print the version\n"
           "\n"
           "Window keys: Ctrl+Page Down/Up next/previous snippet, Ctrl+G grid,\n"
           "Ctrl+plus/minus/0 zoom, Ctrl+B checkerboard, Ctrl+E export, Ctrl+S save,\n"
           "Ctrl+Q quit.\n"
           "Exit status: 0, 1 when a snippet fails, 2 for a bad command line.\n";
}

}  // namespace quillview

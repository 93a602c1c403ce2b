// snippet_files.cpp - finding snippets in files and folders.
#include "snippet_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

namespace quillview {

namespace fs = std::filesystem;
using quillkit::fail;
using quillkit::Result;

namespace {

constexpr std::string_view kSuffix = ".cairo";

bool ends_with_suffix(std::string_view s)
{
    return s.size() > kSuffix.size() && s.substr(s.size() - kSuffix.size()) == kSuffix;
}

SnippetFile snippet_of(const fs::path &file)
{
    const std::string base = file.filename().string();
    fs::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    return {base.substr(0, base.size() - kSuffix.size()), file.string(), folder.string()};
}

Result<std::vector<fs::path>> folder_snippets(const std::string &folder,
                                              std::vector<std::string> &warnings)
{
    std::vector<fs::path> found;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path &p = it->path();
        if (!ends_with_suffix(p.filename().string()))
            continue;
        struct stat st {};
        if (stat(p.c_str(), &st) != 0) {
            warnings.push_back("skipping '" + p.string() + "': " + std::strerror(errno));
            continue;
        }
        if (S_ISREG(st.st_mode))
            found.push_back(folder == "." ? p.filename() : p);
    }
    if (ec)
        return fail("cannot read the folder '" + folder + "': " + ec.message());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

Result<std::vector<SnippetFile>> find_snippets(const std::vector<std::string> &operands,
                                               std::vector<std::string> *warnings)
{
    std::vector<std::string> said;
    const std::vector<std::string> args =
        operands.empty() ? std::vector<std::string>{"."} : operands;
    std::vector<SnippetFile> snippets;
    for (const std::string &arg : args) {
        struct stat st {};
        if (stat(arg.c_str(), &st) != 0)
            return fail("cannot open '" + arg + "': " + std::strerror(errno));
        if (S_ISDIR(st.st_mode)) {
            Result<std::vector<fs::path>> found = folder_snippets(arg, said);
            if (!found)
                return fail(found.error());
            for (const fs::path &p : *found)
                snippets.push_back(snippet_of(p));
        } else if (S_ISREG(st.st_mode) && ends_with_suffix(arg)) {
            snippets.push_back(snippet_of(arg));
        } else {
            return fail("'" + arg + "' is neither a snippet (*.cairo) nor a folder");
        }
    }
    if (warnings != nullptr)
        warnings->insert(warnings->end(), said.begin(), said.end());
    else
        for (const std::string &w : said)
            std::fprintf(stderr, "quillview: %s\n", w.c_str());
    if (snippets.empty())
        return fail("no snippets (*.cairo) in '" + args.front() + "'");
    return snippets;
}

Result<std::string> read_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail("cannot read '" + path + "': " + std::strerror(errno));
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad())
        return fail("cannot read '" + path + "'");
    return all.str();
}

}  // namespace quillview

// snippet_files.h - finding the snippet files on the command line and
// reading them again for the module.
#ifndef QUILLKIT_GENERATOR_SNIPPET_FILES_H
#define QUILLKIT_GENERATOR_SNIPPET_FILES_H

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "module_writer.h"

namespace quillmake {

struct Snippet {
    std::string path;  // the argument as given
    std::string name;  // the path less its final ".cairo"
    struct stat seen;  // the file as the scan found it
};

struct Scan {
    std::vector<Snippet> accepted;  // in argument order, up to the first rejected one
    // The first argument that is not a readable regular file ending in
    // ".cairo"; the scan stops there.
    std::optional<std::string> rejected;
    // The files the scan found, the rejected argument's too where it exists:
    // none of them may be overwritten by the run's outputs.
    std::vector<struct stat> inputs;
};

// Looks at each argument in turn (without waiting on a FIFO or a device).
Scan scan_snippets(const std::vector<std::string> &args);

// `path` made absolute against the working directory and lexically
// normalised ("." and ".." folded away, links not followed), as compilers and
// editors are best given it; `path` itself when the working directory is
// unknown.
std::string absolute_path(const std::string &path);

// Reads a snippet again for one section of the module, checking that it is
// still the file the scan saw: same file, size, modification and change time
// before and after, and exactly that many bytes. `between_blocks` runs before
// each block is read. On failure sets `failure` ("cannot read 'a.cairo'",
// with `error` the errno or 0).
class SnippetReader {
public:
    struct Failure {
        std::string what;
        int error = 0;
    };

    SnippetReader(const std::vector<Snippet> &snippets, std::function<void()> between_blocks);

    bool operator()(std::size_t index, const quillkit::EmitBytes &emit);
    const std::optional<Failure> &failure() const { return failure_; }

private:
    const std::vector<Snippet> &snippets_;
    std::function<void()> between_blocks_;
    std::vector<char> block_;
    std::optional<Failure> failure_;
};

}  // namespace quillmake

#endif  // QUILLKIT_GENERATOR_SNIPPET_FILES_H

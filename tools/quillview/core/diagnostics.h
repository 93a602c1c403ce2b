// diagnostics.h - the C compiler's messages about a snippet.
#ifndef QUILLVIEW_CORE_DIAGNOSTICS_H
#define QUILLVIEW_CORE_DIAGNOSTICS_H

#include <string>
#include <vector>

namespace quillview {

// One message of the compiler about a line of the snippet (line 0: about
// the rest of the module, or another file).
struct Diagnostic {
    int line = 0;
    int column = 0;        // 0 when the compiler gives none
    std::string severity;  // "error" (a fatal error too), "warning", "note"
    std::string text;
};

// Reads the compiler's `file:line[:column]: severity: text` lines (gcc's and
// clang's); a line about a file other than `snippet_file` (matched as the
// whole name or the last part of a path) comes back with line 0.
std::vector<Diagnostic> parse_diagnostics(const std::string &log, const std::string &snippet_file);

// The first error about the snippet's own lines, as "NAME.cairo:L:C: error:
// TEXT"; else the log's first line, else `fallback`.
std::string first_error(const std::vector<Diagnostic> &diagnostics, const std::string &log,
                        const std::string &snippet_file, const std::string &fallback);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_DIAGNOSTICS_H

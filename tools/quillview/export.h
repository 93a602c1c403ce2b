// export.h - quillview --export and --list: no display needed.
#ifndef QUILLVIEW_EXPORT_H
#define QUILLVIEW_EXPORT_H

#include <string>
#include <vector>

#include "options.h"

namespace quillview {

// Writes each snippet's pictures and the gallery page into opts.export_dir.
// Returns the exit status: 0, or 1 when a snippet or a file failed (each
// named on stderr).
int run_export(const Options &opts, const std::vector<SnippetFile> &snippets);

// Text made safe inside HTML elements and attribute values.
std::string html_escape(const std::string &text);

// The whole content of a file; false when it cannot be read.
bool read_text(const std::string &path, std::string &text);

}  // namespace quillview

#endif  // QUILLVIEW_EXPORT_H

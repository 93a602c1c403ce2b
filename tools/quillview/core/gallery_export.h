// gallery_export.h - quillview --export: every snippet's pictures and a
// gallery page, written without a display.
#ifndef QUILLVIEW_CORE_GALLERY_EXPORT_H
#define QUILLVIEW_CORE_GALLERY_EXPORT_H

#include <string>
#include <vector>

#include "options.h"
#include "snippet_files.h"

namespace quillview {

// The base name each snippet's files get in one export folder: its name
// when no other snippet has it; else its folder's name, "-" and its name
// ("a-x", "b-x"), with "-2", "-3" and so on after that should those clash
// too. No two snippets get one name.
std::vector<std::string> export_names(const std::vector<SnippetFile> &snippets);

// Text made safe inside HTML elements and attribute values.
std::string html_escape(const std::string &text);

// A file name as part of a URL: all but unreserved characters
// percent-encoded.
std::string url_escape(const std::string &name);

// Writes each snippet's pictures and the gallery page into opts.export_dir.
// Returns the exit status: 0, or 1 when a snippet or a file failed (each
// named on standard error).
int run_export(const Options &opts, const std::vector<SnippetFile> &snippets);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_GALLERY_EXPORT_H

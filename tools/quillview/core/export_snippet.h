// export_snippet.h - one snippet's files in an export: built, checked by
// the C compiler, drawn as PNG, SVG, PDF (one picture, or frames of its
// animation) and as an animated WebP, each file written safely.
#ifndef QUILLVIEW_CORE_EXPORT_SNIPPET_H
#define QUILLVIEW_CORE_EXPORT_SNIPPET_H

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "builder.h"
#include "gallery_page.h"
#include "options.h"
#include "render_client.h"
#include "result.h"
#include "snippet_files.h"

namespace quillview {

// A file an export reads, and so never writes: a snippet, or a file a
// snippet names (its background).
struct ExportInput {
    std::string shown;
    struct stat st;
};

std::vector<ExportInput> export_inputs(const std::vector<SnippetFile> &snippets);

// Writes `bytes` to `path` through OutputFile; refuses a path that is one of
// the inputs.
quillkit::Status write_export_file(const std::filesystem::path &path, const std::string &bytes,
                                   const std::vector<ExportInput> &inputs);

// The name of frame `k` of a snippet's files: "NAME-0000.png".
std::string frame_file(const std::string &base, int k, const char *ext);

// Exports snippet `s` (its files named after `o.file`) in the slot `slot`
// of `builder`; `o` says what was written, or why not.
void export_snippet(const Options &opts, const SnippetFile &s, int slot, Builder &builder,
                    RenderClient &renderer, const std::vector<ExportInput> &inputs,
                    ExportOutcome &o);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_EXPORT_SNIPPET_H

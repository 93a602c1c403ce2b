// gallery_page.h - the HTML page of an export.
#ifndef QUILLVIEW_CORE_GALLERY_PAGE_H
#define QUILLVIEW_CORE_GALLERY_PAGE_H

#include <string>
#include <vector>

namespace quillview {

// What an export made of one snippet.
struct ExportOutcome {
    std::string name;     // the snippet's name
    std::string file;     // the base name of its files (see export_names)
    std::string source;   // its text
    std::string failure;  // empty when it drew
    bool png = false, svg = false, pdf = false, webp = false;
    int frames = 0;         // files of so many frames (NAME-0000.png...); 0: one picture
    bool animated = false;  // its text asks for snippet_time
};

// The page: one figure a snippet, its picture, links to its files, its
// source and its failure, all escaped.
std::string gallery_page(const std::vector<ExportOutcome> &outcomes, int size);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_GALLERY_PAGE_H

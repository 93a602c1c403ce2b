// gallery_page.cpp - the HTML page of an export.
#include "gallery_page.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "export_snippet.h"
#include "gallery_export.h"

namespace quillview {

std::string gallery_page(const std::vector<ExportOutcome> &outcomes, int size)
{
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<title>Snippets</title>\n<style>\n"
            "body { font-family: sans-serif; margin: 1em; }\n"
            "figure { display: flex; gap: 1em; align-items: flex-start; margin: 0 0 2em; }\n"
            "figure img { width: "
         << std::min(size, 256)
         << "px; height: auto; border: 1px solid #ccc; }\n"
            "pre { background: #f6f6f6; padding: 0.5em; overflow: auto; }\n"
            ".failure { color: #b00; }\n</style>\n</head>\n<body>\n<h1>Snippets</h1>\n";
    for (const ExportOutcome &o : outcomes) {
        // A file of each kind: the one picture, or the first frame.
        auto first = [&o](const char *ext) {
            return url_escape(o.frames > 0 ? frame_file(o.file, 0, ext) : o.file + ext);
        };
        html << "<figure id=\"" << html_escape(o.file) << "\">\n";
        const std::string alt = "\" alt=\"" + html_escape(o.name) + "\">\n";
        if (o.webp && (o.animated || !(o.png || o.svg)))
            html << "<img src=\"" << url_escape(o.file + ".webp") << alt;
        else if (o.png)
            html << "<img src=\"" << first(".png") << alt;
        else if (o.svg)
            html << "<img src=\"" << first(".svg") << alt;
        html << "<figcaption>\n<h2>" << html_escape(o.name) << "</h2>\n";
        if (!o.failure.empty())
            html << "<p class=\"failure\">" << html_escape(o.failure) << "</p>\n";
        html << "<p>";
        const char *sep = "";
        for (const auto &[written, ext] :
             {std::pair{o.png, ".png"}, std::pair{o.svg, ".svg"}, std::pair{o.pdf, ".pdf"}}) {
            if (written) {
                html << sep << "<a href=\"" << first(ext) << "\">" << (ext + 1) << "</a>";
                if (o.frames > 0)
                    html << " (" << o.frames << " frames)";
                sep = " · ";
            }
        }
        if (o.webp)
            html << sep << "<a href=\"" << url_escape(o.file + ".webp") << "\">webp</a>";
        html << "</p>\n<pre><code>" << html_escape(o.source) << "</code></pre>\n"
             << "</figcaption>\n</figure>\n";
    }
    html << "</body>\n</html>\n";
    return html.str();
}

}  // namespace quillview

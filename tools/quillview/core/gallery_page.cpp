// gallery_page.cpp - the HTML page of an export.
#include "gallery_page.h"

#include <algorithm>
#include <sstream>
#include <utility>

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
        const std::string file = url_escape(o.file);
        html << "<figure id=\"" << html_escape(o.file) << "\">\n";
        if (o.png)
            html << "<img src=\"" << file << ".png\" alt=\"" << html_escape(o.name) << "\">\n";
        else if (o.svg)
            html << "<img src=\"" << file << ".svg\" alt=\"" << html_escape(o.name) << "\">\n";
        html << "<figcaption>\n<h2>" << html_escape(o.name) << "</h2>\n";
        if (!o.failure.empty())
            html << "<p class=\"failure\">" << html_escape(o.failure) << "</p>\n";
        html << "<p>";
        const char *sep = "";
        for (const auto &[written, ext] :
             {std::pair{o.png, "png"}, std::pair{o.svg, "svg"}, std::pair{o.pdf, "pdf"}}) {
            if (written) {
                html << sep << "<a href=\"" << file << "." << ext << "\">" << ext << "</a>";
                sep = " · ";
            }
        }
        html << "</p>\n<pre><code>" << html_escape(o.source) << "</code></pre>\n"
             << "</figcaption>\n</figure>\n";
    }
    html << "</body>\n</html>\n";
    return html.str();
}

}  // namespace quillview

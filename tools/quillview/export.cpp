// export.cpp - every snippet into PNG, SVG and PDF files and a gallery page.
#include "export.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "pipeline.h"

namespace quillview {

namespace fs = std::filesystem;

namespace {

struct Outcome {
    std::string name, source, failure;
    bool png = false, svg = false, pdf = false;
};

// A file name as part of a URL: everything but unreserved characters
// percent-encoded.
std::string url_escape(const std::string &name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// Writes `text` to `path` by way of a temporary file renamed over it, so
// that the file is complete or not there at all.
bool write_whole(const fs::path &path, const std::string &text, std::string &error)
{
    const fs::path tmp = path.parent_path() / ("." + path.filename().string() + ".tmp");
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            error = "cannot write '" + tmp.string() + "'";
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = "cannot write '" + path.string() + "': " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

std::string gallery_page(const std::vector<Outcome> &outcomes, int size)
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
    for (const Outcome &o : outcomes) {
        const std::string file = url_escape(o.name);
        html << "<figure id=\"" << html_escape(o.name) << "\">\n";
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

}  // namespace

std::string html_escape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool read_text(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return !in.bad();
}

int run_export(const Options &opts, const std::vector<SnippetFile> &snippets)
{
    const fs::path dir = opts.export_dir;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "quillview: cannot make the folder '%s'\n", dir.c_str());
        return 1;
    }
    Builder builder;
    if (!builder.ok()) {
        std::fprintf(stderr, "quillview: %s\n", builder.error().c_str());
        return 1;
    }
    RenderClient renderer;
    const int size = opts.size > 0 ? opts.size : kDefaultExportSize;
    int status = 0;
    std::vector<Outcome> outcomes;
    for (std::size_t i = 0; i < snippets.size(); i++) {
        const SnippetFile &s = snippets[i];
        Outcome o;
        o.name = s.name;
        if (!read_text(s.path, o.source)) {
            o.failure = std::string("cannot read '") + s.path + "'";
        } else {
            const BuildResult built = builder.build(static_cast<int>(i), s.name, o.source);
            if (!built.ok) {
                // The first error the compiler gives, as it gives it.
                std::string first = built.log.substr(0, built.log.find('\n'));
                for (const Diagnostic &d : built.diagnostics) {
                    if (d.severity == "error") {
                        first = s.name + ".cairo:" + std::to_string(d.line) + ":" +
                                std::to_string(d.column) + ": error: " + d.text;
                        break;
                    }
                }
                o.failure = "does not compile: " + first;
            }
            const fs::path folder = fs::absolute(s.folder, ec);
            for (const auto &[wanted, kind, ext, flag] :
                 {std::tuple{opts.formats.png, RenderKind::kPng, ".png", &o.png},
                  std::tuple{opts.formats.svg, RenderKind::kSvg, ".svg", &o.svg},
                  std::tuple{opts.formats.pdf, RenderKind::kPdf, ".pdf", &o.pdf}}) {
                if (!wanted || !o.failure.empty())
                    continue;
                const fs::path target = fs::absolute(dir / (s.name + ext), ec);
                const fs::path tmp =
                    target.parent_path() / ("." + target.filename().string() + ".tmp");
                const RenderResult r = renderer.render(built.object, folder, size, kind, tmp);
                if (!r.ok) {
                    o.failure = r.failure;
                    std::remove(tmp.c_str());
                } else if (std::rename(tmp.c_str(), target.c_str()) != 0) {
                    o.failure = "cannot write '" + target.string() + "': " + std::strerror(errno);
                    std::remove(tmp.c_str());
                } else {
                    *flag = true;
                }
            }
        }
        if (!o.failure.empty()) {
            std::fprintf(stderr, "quillview: %s: %s\n", s.name.c_str(), o.failure.c_str());
            status = 1;
        }
        outcomes.push_back(std::move(o));
    }
    if (opts.formats.html) {
        std::string error;
        if (!write_whole(dir / "index.html", gallery_page(outcomes, size), error)) {
            std::fprintf(stderr, "quillview: %s\n", error.c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace quillview

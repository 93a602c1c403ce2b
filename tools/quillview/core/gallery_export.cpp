// gallery_export.cpp - every snippet into PNG, SVG and PDF files and a
// gallery page.
#include "gallery_export.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

#include "builder.h"
#include "diagnostics.h"
#include "gallery_page.h"
#include "output_file.h"
#include "render_client.h"

namespace quillview {

namespace fs = std::filesystem;
using quillkit::Status;

namespace {

Status write_file(const fs::path &path, const std::string &bytes)
{
    quillkit::OutputFile out(path.string());
    if (Status s = out.open(); !s)
        return s;
    out.write(bytes);
    return out.commit();
}

void export_one(const Options &opts, const SnippetFile &s, int slot, Builder &builder,
                RenderClient &renderer, ExportOutcome &o)
{
    quillkit::Result<std::string> text = read_text(s.path);
    if (!text) {
        o.failure = text.error();
        return;
    }
    o.source = *text;
    const BuildResult built = builder.build(slot, s.name, o.source);
    if (!built.ok) {
        o.failure =
            "does not compile: " + first_error(built.diagnostics, built.log, s.name + ".cairo",
                                               "the C compiler failed without a message");
        return;
    }
    std::error_code ec;
    const std::string folder = fs::absolute(s.folder, ec).string();
    const int size = opts.size > 0 ? opts.size : kDefaultExportSize;
    for (const auto &[wanted, kind, ext, flag] :
         {std::tuple{opts.formats.png, RenderKind::kPng, ".png", &o.png},
          std::tuple{opts.formats.svg, RenderKind::kSvg, ".svg", &o.svg},
          std::tuple{opts.formats.pdf, RenderKind::kPdf, ".pdf", &o.pdf}}) {
        if (!wanted)
            continue;
        quillkit::Result<RenderReply> r = renderer.render(built.object, folder, size, kind);
        if (!r) {
            o.failure = r.error();
            return;
        }
        if (Status written = write_file(fs::path(opts.export_dir) / (o.file + ext), r->file);
            !written) {
            o.failure = written.error();
            return;
        }
        *flag = true;
    }
}

}  // namespace

std::vector<std::string> export_names(const std::vector<SnippetFile> &snippets)
{
    std::map<std::string, int> taken;
    for (const SnippetFile &s : snippets)
        taken.emplace(s.name, 0);
    std::vector<std::string> names;
    for (const SnippetFile &s : snippets) {
        int &uses = taken[s.name];
        std::string name = s.name;
        // "x-2" may itself be a snippet's name: go on to the next free one.
        for (int n = ++uses; n > 1 && taken.count(name); n++)
            name = s.name + "-" + std::to_string(n);
        if (name != s.name)
            taken.emplace(name, 1);
        names.push_back(name);
    }
    return names;
}

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

int run_export(const Options &opts, const std::vector<SnippetFile> &snippets)
{
    std::error_code ec;
    fs::create_directories(opts.export_dir, ec);
    if (!fs::is_directory(opts.export_dir, ec)) {
        std::fprintf(stderr, "quillview: cannot make the folder '%s'\n", opts.export_dir.c_str());
        return 1;
    }
    quillkit::Result<std::unique_ptr<Builder>> builder = Builder::create();
    if (!builder) {
        std::fprintf(stderr, "quillview: %s\n", builder.error().c_str());
        return 1;
    }
    RenderClient renderer;
    const std::vector<std::string> names = export_names(snippets);
    int status = 0;
    std::vector<ExportOutcome> outcomes;
    for (std::size_t i = 0; i < snippets.size(); i++) {
        ExportOutcome o;
        o.name = snippets[i].name;
        o.file = names[i];
        export_one(opts, snippets[i], static_cast<int>(i), **builder, renderer, o);
        if (!o.failure.empty()) {
            std::fprintf(stderr, "quillview: %s: %s\n", o.name.c_str(), o.failure.c_str());
            status = 1;
        }
        outcomes.push_back(std::move(o));
    }
    if (opts.formats.html) {
        const int size = opts.size > 0 ? opts.size : kDefaultExportSize;
        if (Status s =
                write_file(fs::path(opts.export_dir) / "index.html", gallery_page(outcomes, size));
            !s) {
            std::fprintf(stderr, "quillview: %s\n", s.error().c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace quillview

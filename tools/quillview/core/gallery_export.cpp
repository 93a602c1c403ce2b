// gallery_export.cpp - every snippet into PNG, SVG and PDF files and a
// gallery page.
#include "gallery_export.h"

#include <sys/stat.h>

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

// A file an export reads: a snippet, or a file a snippet names.
struct Input {
    std::string shown;
    struct stat st;
};

// The files `text` names in string literals that exist in `folder`: the
// backgrounds a snippet draws (snippet_set_bg_png (cr, "logo.png")).
void add_named_files(const std::string &text, const fs::path &folder, std::vector<Input> &inputs)
{
    for (std::size_t open = text.find('"'); open != std::string::npos;) {
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string::npos)
            break;
        const std::string literal = text.substr(open + 1, close - open - 1);
        Input in{literal, {}};
        if (!literal.empty() && literal.find('\\') == std::string::npos &&
            stat((folder / literal).c_str(), &in.st) == 0 && S_ISREG(in.st.st_mode))
            inputs.push_back(in);
        open = text.find('"', close + 1);
    }
}

std::vector<Input> export_inputs(const std::vector<SnippetFile> &snippets)
{
    std::vector<Input> inputs;
    for (const SnippetFile &s : snippets) {
        Input in{s.path, {}};
        if (stat(s.path.c_str(), &in.st) == 0)
            inputs.push_back(in);
        if (quillkit::Result<std::string> text = read_text(s.path))
            add_named_files(*text, s.folder, inputs);
    }
    return inputs;
}

Status write_file(const fs::path &path, const std::string &bytes, const std::vector<Input> &inputs)
{
    for (const Input &in : inputs)
        if (quillkit::OutputFile::names_file(path.string(), in.st))
            return quillkit::fail("refusing to write '" + path.string() + "': it is '" + in.shown +
                                  "', which the export reads");
    quillkit::OutputFile out(path.string());
    if (Status s = out.open(); !s)
        return s;
    out.write(bytes);
    return out.commit();
}

void export_one(const Options &opts, const SnippetFile &s, int slot, Builder &builder,
                RenderClient &renderer, const std::vector<Input> &inputs, ExportOutcome &o)
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
        if (Status written =
                write_file(fs::path(opts.export_dir) / (o.file + ext), r->file, inputs);
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
    std::map<std::string, int> uses;
    for (const SnippetFile &s : snippets)
        uses[s.name]++;
    std::vector<std::string> names;
    std::map<std::string, int> taken;
    for (const SnippetFile &s : snippets) {
        std::string name = s.name;
        if (uses[s.name] > 1) {
            std::error_code ec;
            const fs::path folder = fs::absolute(s.folder, ec).lexically_normal();
            std::string folder_name = folder.filename().string();
            if (folder_name.empty())
                folder_name = folder.parent_path().filename().string();
            name = folder_name + "-" + s.name;
        }
        const std::string base = name;
        for (int n = 2; taken.count(name) || (name != s.name && uses.count(name)); n++)
            name = base + "-" + std::to_string(n);
        taken[name] = 1;
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
    const std::vector<Input> inputs = export_inputs(snippets);
    int status = 0;
    std::vector<ExportOutcome> outcomes;
    for (std::size_t i = 0; i < snippets.size(); i++) {
        ExportOutcome o;
        o.name = snippets[i].name;
        o.file = names[i];
        export_one(opts, snippets[i], static_cast<int>(i), **builder, renderer, inputs, o);
        if (!o.failure.empty()) {
            std::fprintf(stderr, "quillview: %s: %s\n", o.name.c_str(), o.failure.c_str());
            status = 1;
        }
        outcomes.push_back(std::move(o));
    }
    if (opts.formats.html) {
        const int size = opts.size > 0 ? opts.size : kDefaultExportSize;
        if (Status s = write_file(fs::path(opts.export_dir) / "index.html",
                                  gallery_page(outcomes, size), inputs);
            !s) {
            std::fprintf(stderr, "quillview: %s\n", s.error().c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace quillview

// gallery_export.cpp - every snippet into PNG, SVG and PDF files and a
// gallery page.
#include "gallery_export.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
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
    // Whichever path draws, what the C compiler rejects fails the export.
    BuildResult built = builder.build(slot, s.name, o.source);
    if (built.ok && builder.in_memory()) {
        const BuildResult checked = builder.check(slot, s.name, o.source);
        if (!checked.ok)
            built = checked;
    }
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
        quillkit::Result<RenderReply> r =
            renderer.render(SnippetCode{built.object, built.module}, folder, size, kind);
        if (!r || r->status != RenderStatus::kDrawn) {
            o.failure =
                !r ? r.error()
                   : "does not compile with libtcc: " + r->failure.substr(0, r->failure.find('\n'));
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
    const std::vector<std::string> names = export_names(snippets);
    const std::vector<Input> inputs = export_inputs(snippets);
    std::vector<ExportOutcome> outcomes(snippets.size());
    for (std::size_t i = 0; i < snippets.size(); i++) {
        outcomes[i].name = snippets[i].name;
        outcomes[i].file = names[i];
    }
    // One build at a time per core, each worker with a builder and a render
    // process of its own, taking the next snippet as it is free.
    const std::size_t workers = std::max<std::size_t>(
        1, std::min<std::size_t>(std::thread::hardware_concurrency(), snippets.size()));
    std::vector<quillkit::Result<std::unique_ptr<Builder>>> builders;
    for (std::size_t w = 0; w < workers; w++) {
        builders.push_back(Builder::create());
        if (!builders.back()) {
            std::fprintf(stderr, "quillview: %s\n", builders.back().error().c_str());
            return 1;
        }
    }
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (std::size_t w = 0; w < workers; w++)
        threads.emplace_back([&, w] {
            RenderClient renderer;
            for (std::size_t i = next++; i < snippets.size(); i = next++)
                export_one(opts, snippets[i], static_cast<int>(i), *builders[w].value(), renderer,
                           inputs, outcomes[i]);
        });
    for (std::thread &t : threads)
        t.join();
    int status = 0;
    for (const ExportOutcome &o : outcomes) {
        if (!o.failure.empty()) {
            std::fprintf(stderr, "quillview: %s: %s\n", o.name.c_str(), o.failure.c_str());
            status = 1;
        }
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

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
#include "export_snippet.h"
#include "gallery_page.h"
#include "render_client.h"

namespace quillview {

namespace fs = std::filesystem;
using quillkit::Status;

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
    const std::vector<ExportInput> inputs = export_inputs(snippets);
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
                export_snippet(opts, snippets[i], static_cast<int>(i), *builders[w].value(),
                               renderer, inputs, outcomes[i]);
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
        if (Status s = write_export_file(fs::path(opts.export_dir) / "index.html",
                                         gallery_page(outcomes, size), inputs);
            !s) {
            std::fprintf(stderr, "quillview: %s\n", s.error().c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace quillview

// main.cpp - quillview: the snippet playground's window, its export and
// list modes, and (started by itself) the render process.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "export.h"
#include "options.h"
#include "pipeline.h"
#include "quillkit_version.h"
#include "window.h"

namespace {

constexpr int kExitBadUsage = 2;

}  // namespace

int main(int argc, char **argv)
{
    // A render process that has died must be a failed write to its socket,
    // which the window reports and recovers from, not the window's end.
    std::signal(SIGPIPE, SIG_IGN);
    quillview::Options opts;
    std::string error;
    if (!quillview::parse_options(argc, argv, opts, error)) {
        std::fprintf(stderr, "quillview: %s\nTry 'quillview --help'.\n", error.c_str());
        return kExitBadUsage;
    }
    switch (opts.mode) {
    case quillview::Mode::kHelp:
        std::fputs(quillview::usage_text(), stdout);
        return 0;
    case quillview::Mode::kVersion:
        std::puts("quillview " QUILLKIT_VERSION);
        return 0;
    case quillview::Mode::kRenderServer:
        return quillview::serve_renders(quillview::kRenderServerFd);
    default:
        break;
    }
    std::vector<quillview::SnippetFile> snippets;
    if (!quillview::find_snippets(opts.operands, snippets, error)) {
        std::fprintf(stderr, "quillview: %s\nTry 'quillview --help'.\n", error.c_str());
        return kExitBadUsage;
    }
    if (opts.mode == quillview::Mode::kList) {
        for (const auto &s : snippets)
            std::puts(s.name.c_str());
        return 0;
    }
    if (opts.mode == quillview::Mode::kExport)
        return quillview::run_export(opts, snippets);
    return quillview::run_window(opts, snippets);
}

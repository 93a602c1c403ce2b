// main.cpp - quillview: the snippet playground's window, its export and
// list modes, and (started by itself) the render process.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "application.h"
#include "builder.h"
#include "gallery_export.h"
#include "limits.h"
#include "options.h"
#include "quillkit_version.h"
#include "render_protocol.h"
#include "render_server.h"
#include "snippet_files.h"

namespace {

constexpr int kExitBadUsage = 2;

int bad_usage(const std::string &error)
{
    std::fprintf(stderr, "quillview: %s\nTry 'quillview --help'.\n", error.c_str());
    return kExitBadUsage;
}

}  // namespace

int main(int argc, char **argv)
{
    // A render process that has died must be a failed write to its socket,
    // which is reported and recovered from, not the end of this process.
    std::signal(SIGPIPE, SIG_IGN);
    const quillkit::Result<quillview::Options> opts = quillview::parse_options(argc, argv);
    if (!opts)
        return bad_usage(opts.error());
    switch (opts->mode) {
    case quillview::Mode::kHelp:
        std::fputs(quillview::usage_text(), stdout);
        return 0;
    case quillview::Mode::kVersion:
        std::printf("quillview " QUILLKIT_VERSION "\n%s\n",
                    quillview::build_path_description().c_str());
        return 0;
    case quillview::Mode::kRenderServer:
        quillview::serve_renders(quillview::kRenderServerFd, opts->render_parent,
                                 quillview::limits_from_environment());
    case quillview::Mode::kWindow:
        return quillview::run_application(argc, argv);
    default:
        break;
    }
    const quillkit::Result<std::vector<quillview::SnippetFile>> snippets =
        quillview::find_snippets(opts->operands);
    if (!snippets)
        return bad_usage(snippets.error());
    if (opts->mode == quillview::Mode::kList) {
        for (const auto &s : *snippets)
            std::puts(s.name.c_str());
        return 0;
    }
    return quillview::run_export(*opts, *snippets);
}

// options.cpp - quillmake's command line.
#include "options.h"

#include <string_view>

namespace quillmake {

namespace {

constexpr std::string_view kOutputOption = "--output=";
constexpr std::string_view kDepfileOption = "--depfile=";
constexpr std::string_view kLineDirectivesOption = "--line-directives";

bool starts_with(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

const char *const kUsage =
    "usage: quillmake [--help | --version] [--output=FILE] [--depfile=FILE]\n"
    "                 [--line-directives] [snippet.cairo ...]\n"
    "\n"
    "Writes one C module, snippets.c in the current directory, holding the\n"
    "snippets (files of C statements that draw on a cairo_t named cr), their\n"
    "names and source texts, and snippet_do() to run one of them. A snippet's\n"
    "name is its argument less the final \".cairo\".\n"
    "\n"
    "  -h, --help         print this text and exit\n"
    "  --version          print the version and exit\n"
    "  --output=FILE      write the module to FILE instead of snippets.c\n"
    "  --depfile=FILE     also write FILE, a Make dependency file naming the\n"
    "                     snippets the module was made from\n"
    "  --line-directives  add #line lines, so that compilers report errors in\n"
    "                     a snippet at the snippet's own file (by its absolute\n"
    "                     path) and line\n"
    "\n"
    "Other arguments that begin with '-' are ignored, with a warning. The\n"
    "module replaces the output only once it is complete; a device or a FIFO\n"
    "is written in place. Exit status: 0 after a complete run, 255 for an\n"
    "argument that is not a readable regular file ending in .cairo (the\n"
    "output is then removed), 1 when the output is one of the snippets, or\n"
    "cannot be written, or a snippet cannot be read again or changed while\n"
    "being read (the output is then left as it was).\n";

Options read_options(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.empty() || arg.front() != '-') {
            options.snippets.emplace_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            if (options.query == Query::kNone)
                options.query = Query::kHelp;
        } else if (arg == "--version") {
            if (options.query == Query::kNone)
                options.query = Query::kVersion;
        } else if (starts_with(arg, kOutputOption)) {
            options.output = arg.substr(kOutputOption.size());
        } else if (starts_with(arg, kDepfileOption)) {
            options.depfile = arg.substr(kDepfileOption.size());
        } else if (arg == kLineDirectivesOption) {
            options.line_directives = true;
        } else {
            options.unknown.emplace_back(arg);
        }
    }
    return options;
}

}  // namespace quillmake

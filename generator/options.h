// options.h - quillmake's command line.
#ifndef QUILLKIT_GENERATOR_OPTIONS_H
#define QUILLKIT_GENERATOR_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

namespace quillmake {

enum class Query { kNone, kHelp, kVersion };

struct Options {
    Query query = Query::kNone;  // --help (-h) or --version: answer and touch nothing
    std::string output = "snippets.c";
    std::optional<std::string> depfile;
    bool line_directives = false;
    // The arguments that do not begin with '-', in order: the snippets.
    std::vector<std::string> snippets;
    // The arguments that begin with '-' and are no option of quillmake's:
    // ignored, with a warning each.
    std::vector<std::string> unknown;
};

// Reads the whole command line. The first --help, -h or --version wins; the
// last --output= and --depfile= count. Options may stand anywhere.
Options read_options(int argc, char **argv);

// The text of --help.
extern const char *const kUsage;

}  // namespace quillmake

#endif  // QUILLKIT_GENERATOR_OPTIONS_H

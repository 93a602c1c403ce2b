// quillmake: turns drawing snippets (*.cairo files of C statements that draw on
// a cairo_t named cr) into one C module, "snippets.c" in the current directory
// unless --output=FILE names another file.
//
//   quillmake [--help | --version] [--output=FILE] [--depfile=FILE]
//             [--line-directives] [snippet.cairo ...]
//
// A run reads the command line (options.h), looks at every snippet argument
// (snippet_files.h), and only then touches the output: the module is written
// through an output file (output_file.h) that replaces a regular file only
// once it is complete and writes a device in place, then the dependency file
// the same way. Exit status: 0 after a complete run; 255 when an argument is
// rejected (any old output is then removed, so that no build tool takes it
// for up to date); 1 when the output is one of the snippets, or cannot be
// written, or a snippet cannot be read again or changed while being read (the
// previous output is then left as it was).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "depfile.h"
#include "module_writer.h"
#include "options.h"
#include "output_file.h"
#include "quillkit_version.h"
#include "snippet_files.h"

namespace {

using quillkit::OutputFile;
using quillmake::Options;

constexpr int kStatusRejected = 255;
constexpr int kStatusFailed = 1;

// Standard input, output and error must be open before the run opens any file
// of its own: otherwise the output could take one of their numbers, and a
// message meant for the terminal would land in the module.
void open_standard_streams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "quillmake: %s\n", message.c_str());
    return kStatusFailed;
}

// --help and --version: the text to standard output, whose failure is the
// run's.
int answer(quillmake::Query query)
{
    if (query == quillmake::Query::kHelp)
        std::fputs(quillmake::kUsage, stdout);
    else
        std::fputs("quillmake " QUILLKIT_VERSION "\n", stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(std::string("write error: ") + std::strerror(errno));
    return 0;
}

// Writes the module's bytes into the output file.
class FileSink final : public quillkit::Sink {
public:
    explicit FileSink(OutputFile &output) : output_(output) {}
    void write(std::string_view bytes) override { output_.write(bytes); }

private:
    OutputFile &output_;
};

// Whether one of `paths` is one of the run's inputs: writing it would destroy
// a snippet before it is read.
const std::string *overwritten_input(const std::vector<std::string> &paths,
                                     const std::vector<struct stat> &inputs)
{
    for (const std::string &path : paths)
        for (const struct stat &input : inputs)
            if (OutputFile::names_file(path, input))
                return &path;
    return nullptr;
}

// Whether `a` and `b` name one file: the same file now, or (where neither
// exists yet) the same path once made absolute and its links resolved.
bool same_file(const std::string &a, const std::string &b)
{
    struct stat st {};
    if (::stat(b.c_str(), &st) == 0)
        return OutputFile::names_file(a, st);
    std::error_code ec_a, ec_b;
    const std::filesystem::path pa =
        std::filesystem::weakly_canonical(std::filesystem::absolute(a, ec_a), ec_a);
    const std::filesystem::path pb =
        std::filesystem::weakly_canonical(std::filesystem::absolute(b, ec_b), ec_b);
    return a == b || (!ec_a && !ec_b && pa == pb);
}

int write_depfile(const Options &options, const std::vector<quillmake::Snippet> &snippets)
{
    std::vector<std::string> prerequisites;
    for (const quillmake::Snippet &snippet : snippets)
        prerequisites.push_back(quillmake::absolute_path(snippet.path));
    std::string unwritable;
    const auto text = quillmake::dependency_text(options.output, prerequisites, unwritable);
    if (!text)
        return fail("cannot name '" + unwritable + "' in the dependency file '" + *options.depfile +
                    "': it holds a line break");
    OutputFile depfile(*options.depfile);
    if (const quillkit::Status opened = depfile.open(); !opened)
        return fail(opened.error());
    depfile.write(*text);
    if (const quillkit::Status committed = depfile.commit(); !committed)
        return fail(committed.error());
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    open_standard_streams();
    const Options options = quillmake::read_options(argc, argv);
    for (const std::string &arg : options.unknown)
        std::fprintf(stderr, "quillmake: ignoring unknown option '%s'\n", arg.c_str());
    if (options.query != quillmake::Query::kNone)
        return answer(options.query);

    const quillmake::Scan scan = quillmake::scan_snippets(options.snippets);
    std::vector<std::string> outputs{options.output};
    if (options.depfile)
        outputs.push_back(*options.depfile);
    if (const std::string *path = overwritten_input(outputs, scan.inputs))
        return fail("the output '" + *path + "' is one of the snippets; nothing written");
    // One file for both would end up holding the make rule alone.
    if (options.depfile && same_file(*options.depfile, options.output))
        return fail("the dependency file '" + *options.depfile + "' is the output '" +
                    options.output + "'; nothing written");
    if (scan.rejected) {
        std::fprintf(stderr, "unable to open '%s' or snippet name doesn't end in .cairo\n",
                     scan.rejected->c_str());
        OutputFile::remove_stale(options.output);
        if (options.depfile)
            OutputFile::remove_stale(*options.depfile);
        return kStatusRejected;
    }

    quillkit::ModuleOptions module;
    module.module_file = options.output;
    module.line_directives = options.line_directives;
    std::vector<std::string> names;
    for (const quillmake::Snippet &snippet : scan.accepted) {
        names.push_back(snippet.name);
        if (options.line_directives)
            module.snippet_files.push_back(quillmake::absolute_path(snippet.path));
    }

    OutputFile output(options.output);
    if (const quillkit::Status opened = output.open(); !opened)
        return fail(opened.error());
    FileSink sink(output);
    quillmake::SnippetReader reader(scan.accepted, [&output] { output.check_signals(); });
    if (!quillkit::write_module(sink, names, std::ref(reader), module)) {
        const auto &failure = *reader.failure();
        return fail(failure.error != 0 ? failure.what + ": " + std::strerror(failure.error)
                                       : failure.what);
    }
    if (const quillkit::Status committed = output.commit(); !committed)
        return fail(committed.error());
    return options.depfile ? write_depfile(options, scan.accepted) : 0;
}

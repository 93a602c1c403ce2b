// quillmake: turns drawing snippets (*.cairo files of C statements that draw on
// a cairo_t named cr) into one C module, "snippets.c", in the current directory.
//
//   quillmake [--help | --version] [snippet.cairo ...]
//
// --help and --version print to standard output and touch no file. Other
// arguments that begin with '-' are ignored. Each other argument must be a
// readable file whose name ends in ".cairo"; the snippet's name is the argument
// less that suffix. Exit status: 0 after a complete run; 255 when an argument
// is rejected (snippets.c is then left empty); 1 when snippets.c cannot be
// written or a snippet cannot be read back (snippets.c is then removed).
#include "module_writer.h"
#include "quillkit_version.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char *kOutputName = "snippets.c";
constexpr std::string_view kSuffix = ".cairo";
constexpr int kStatusRejected = 255;
constexpr int kStatusFailed = 1;
constexpr std::size_t kReadBlock = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct Snippet {
    std::string path;  // the argument as given
    std::string name;  // the path less its final ".cairo"
};

// A failure that ends the run with status 1: which file and why.
struct Failure {
    std::string what;  // e.g. "cannot read 'a.cairo'"
    int error = 0;     // errno at the point of failure
};

bool ends_with_suffix(std::string_view arg)
{
    return arg.size() >= kSuffix.size() && arg.substr(arg.size() - kSuffix.size()) == kSuffix;
}

bool readable(const char *path)
{
    return File(std::fopen(path, "r")) != nullptr;
}

// Writes to the open output file and remembers the first failure.
class FileSink final : public quillkit::Sink {
public:
    explicit FileSink(std::FILE *file) : file_(file) {}

    void write(std::string_view bytes) override
    {
        if (error_ != 0 || bytes.empty())
            return;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            error_ = errno != 0 ? errno : EIO;
    }
    int error() const { return error_; }

private:
    std::FILE *file_;
    int error_ = 0;
};

// Reads one snippet file front to back and hands each block to `emit`.
// Returns false (with `failure` set) when the file cannot be opened or read.
template <typename Emit>
bool read_snippet(const Snippet &snippet, std::vector<char> &block, Failure &failure, Emit emit)
{
    errno = 0;
    File file(std::fopen(snippet.path.c_str(), "r"));
    if (!file) {
        failure = {"cannot open '" + snippet.path + "'", errno};
        return false;
    }
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got > 0)
            emit(std::string_view(block.data(), got));
        if (got < block.size()) {
            if (std::ferror(file.get())) {
                failure = {"cannot read '" + snippet.path + "'", errno != 0 ? errno : EIO};
                return false;
            }
            return true;
        }
    }
}

// Writes every section of the module. Stops at the first snippet that cannot
// be read back.
bool write_module(quillkit::Sink &sink, const std::vector<Snippet> &snippets, Failure &failure)
{
    std::vector<char> block(kReadBlock);
    quillkit::ModuleWriter writer(sink);

    writer.header();
    std::vector<std::string> names;
    names.reserve(snippets.size());
    for (const Snippet &snippet : snippets)
        names.push_back(snippet.name);
    writer.index(names);

    writer.source_begin(snippets.size());
    for (const Snippet &snippet : snippets) {
        writer.source_entry_begin();
        if (!read_snippet(snippet, block, failure,
                          [&](std::string_view bytes) { writer.source_bytes(bytes); }))
            return false;
        writer.source_entry_end();
    }
    writer.source_end();

    writer.dispatch_begin();
    for (std::size_t i = 0; i < snippets.size(); ++i) {
        writer.case_begin(i, snippets[i].name);
        if (!read_snippet(snippets[i], block, failure,
                          [&](std::string_view bytes) { writer.case_bytes(bytes); }))
            return false;
        writer.case_end();
    }
    writer.dispatch_end();
    writer.util();
    writer.flush();
    return true;
}

constexpr const char *kUsage =
    "usage: quillmake [--help | --version] [snippet.cairo ...]\n"
    "\n"
    "Writes snippets.c into the current directory: one C module holding the\n"
    "snippets (files of C statements that draw on a cairo_t named cr), their\n"
    "names and source texts, and snippet_do() to run one of them. A snippet's\n"
    "name is its argument less the final \".cairo\".\n"
    "\n"
    "  --help      print this text and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "Other arguments that begin with '-' are ignored. Exit status: 0 after a\n"
    "complete run, 255 for an argument that cannot be opened or does not end\n"
    "in .cairo (snippets.c is left empty), 1 when snippets.c cannot be written\n"
    "or a snippet cannot be read again (snippets.c is removed).\n";

// --help or --version anywhere on the command line answers and ends the run
// before any file is touched. Returns the exit status, or -1 to go on.
int answer_query(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : kStatusFailed;
        }
        if (arg == "--version") {
            std::fputs("quillmake " QUILLKIT_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? 0 : kStatusFailed;
        }
    }
    return -1;
}

int fail(const Failure &failure)
{
    std::fprintf(stderr, "quillmake: %s: %s\n", failure.what.c_str(), std::strerror(failure.error));
    return kStatusFailed;
}

}  // namespace

int main(int argc, char **argv)
{
    if (const int status = answer_query(argc, argv); status >= 0)
        return status;

    // The output is opened (and so emptied) before any argument is looked at.
    errno = 0;
    std::FILE *out = std::fopen(kOutputName, "w");
    if (out == nullptr)
        return fail({std::string("cannot create '") + kOutputName + "'", errno});
    // Large stdio buffer: the writer hands over megabyte blocks anyway.
    std::setvbuf(out, nullptr, _IOFBF, kReadBlock);

    std::vector<Snippet> snippets;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.empty() && arg.front() == '-')
            continue;
        if (!ends_with_suffix(arg) || !readable(argv[i])) {
            std::fprintf(stderr, "unable to open '%s' or snippet name doesn't end in .cairo\n",
                         argv[i]);
            std::fclose(out);  // nothing written: snippets.c stays, empty
            return kStatusRejected;
        }
        snippets.push_back(
            {std::string(arg), std::string(arg.substr(0, arg.size() - kSuffix.size()))});
    }

    FileSink sink(out);
    Failure failure;
    const bool complete = write_module(sink, snippets, failure);
    errno = 0;
    const bool flushed = std::fflush(out) == 0;
    const int flush_error = errno;
    const bool closed = std::fclose(out) == 0;
    const int close_error = errno;

    if (complete && sink.error() == 0 && flushed && closed)
        return 0;

    // Never leave a truncated module that looks complete.
    std::remove(kOutputName);
    if (!complete)
        return fail(failure);
    if (sink.error() != 0)
        return fail({std::string("cannot write '") + kOutputName + "'", sink.error()});
    return fail(
        {std::string("cannot write '") + kOutputName + "'", flushed ? close_error : flush_error});
}

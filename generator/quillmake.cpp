// quillmake: turns drawing snippets (*.cairo files of C statements that draw on
// a cairo_t named cr) into one C module, "snippets.c" in the current directory
// unless --output=FILE names another file.
//
//   quillmake [--help | --version] [--output=FILE] [--line-directives] [snippet.cairo ...]
//
// --help and --version print to standard output and touch no file. Other
// arguments that begin with '-' are ignored. Each other argument must be a
// regular file (or a link to one) whose name ends in ".cairo"; the snippet's
// name is the argument less that suffix.
//
// The module is written into a temporary file in the output's folder and
// renamed over the output once it is complete, so that the output is always
// either the previous one or a complete new one, whatever stops the run.
// Exit status: 0 after a complete run; 255 when an argument is rejected (the
// output is then left empty); 1 when the module cannot be written or a snippet
// cannot be read again or changed while being read (the previous output is
// then left as it was).
#include "module_writer.h"
#include "quillkit_version.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kDefaultOutput = "snippets.c";
constexpr std::string_view kSuffix = ".cairo";
constexpr std::string_view kOutputOption = "--output=";
constexpr std::string_view kLineDirectivesOption = "--line-directives";
constexpr int kStatusRejected = 255;
constexpr int kStatusFailed = 1;
constexpr std::size_t kReadBlock = 64 * 1024;
// The signals that end a run in an orderly way: the temporary file goes first.
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A failure that ends the run with status 1: what went wrong with which file,
// and why (an errno value, or 0 when `what` says it all).
struct Failure {
    std::string what;  // e.g. "cannot read 'a.cairo'"
    int error = 0;
};

// An open file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes the descriptor; returns false (with errno set) when close fails.
    bool reset()
    {
        if (fd_ < 0)
            return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

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

// SIGTERM, SIGINT and SIGHUP are held back (blocked) for the whole run and
// looked for between blocks of work, so that the run can remove its
// temporary file before it dies of them. Signals the caller had set to be
// ignored stay ignored.
class TerminationSignals {
public:
    TerminationSignals()
    {
        sigemptyset(&held_);
        for (const int sig : kTerminationSignals) {
            struct sigaction current {};
            if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
                sigaddset(&held_, sig);
        }
        ::sigprocmask(SIG_BLOCK, &held_, &previous_);
    }
    ~TerminationSignals() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // The signal that has arrived, or 0.
    int arrived() const
    {
        const struct timespec now {
        };
        const int sig = ::sigtimedwait(&held_, nullptr, &now);
        return sig > 0 ? sig : 0;
    }

    // Dies of `sig` as if it had never been held back.
    [[noreturn]] void die_of(int sig) const
    {
        ::signal(sig, SIG_DFL);
        ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, sig);
        ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
        ::raise(sig);
        ::_exit(128 + sig);  // not reached: the default action ends the process
    }

private:
    sigset_t held_;
    sigset_t previous_;
};

// The module's file while it is written: a temporary file in the output's
// folder, unnamed where the file system allows it (nothing is left behind
// even when the run is killed), otherwise hidden beside the output. finish()
// names it, publish() renames it over the output; until then the output is
// untouched, and the destructor removes the temporary file.
class OutputFile {
public:
    explicit OutputFile(std::string path) : path_(std::move(path))
    {
        const std::size_t slash = path_.rfind('/');
        folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
        base_ = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    }
    ~OutputFile() { discard(); }
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    const std::string &path() const { return path_; }
    int fd() const { return fd_.get(); }

    bool create(Failure &failure)
    {
        struct stat st {};
        int error = 0;
        if (path_.empty())
            error = ENOENT;
        else if (base_.empty() || (::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
            error = EISDIR;
        if (error == 0) {
            fd_ = Descriptor(::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
            if (!fd_ && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
                fd_ = Descriptor(create_named());
            if (!fd_)
                error = errno;
        }
        if (error != 0) {
            failure = {"cannot create '" + path_ + "'", error};
            return false;
        }
        return true;
    }

    // Closes the written file and gives it a temporary name beside the
    // output. Returns false (with the file removed) when it cannot.
    bool finish(Failure &failure)
    {
        int error = 0;
        if (temp_name_.empty() && !link_unnamed())
            error = errno;
        if (error == 0 && !fd_.reset())
            error = errno;
        if (error != 0) {
            failure = {"cannot write '" + path_ + "'", error};
            discard();
        }
        return error == 0;
    }

    // Renames the finished file over the output. Returns false (with the file
    // removed and the output untouched) when it cannot.
    bool publish(Failure &failure)
    {
        if (::rename(temp_name_.c_str(), path_.c_str()) != 0) {
            failure = {"cannot create '" + path_ + "'", errno};
            discard();
            return false;
        }
        temp_name_.clear();
        return true;
    }

    // Removes the temporary file. Safe to call more than once.
    void discard()
    {
        fd_.reset();
        if (!temp_name_.empty())
            ::unlink(temp_name_.c_str());
        temp_name_.clear();
    }

private:
    // A fresh hidden name beside the output.
    std::string next_name()
    {
        return folder_ + "/." + base_ + "." + std::to_string(::getpid()) + "-" +
               std::to_string(attempt_++);
    }

    int create_named()
    {
        for (;;) {
            std::string name = next_name();
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                temp_name_ = std::move(name);
            if (fd >= 0 || errno != EEXIST)
                return fd;
        }
    }

    // Links the unnamed file under a hidden name, from which it is renamed
    // over the output. The descriptor alone does it where the process may;
    // elsewhere its entry in /proc does.
    bool link_unnamed()
    {
        const std::string proc_entry = "/proc/self/fd/" + std::to_string(fd_.get());
        for (;;) {
            std::string name = next_name();
            if (::linkat(fd_.get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
                (errno != EEXIST && ::linkat(AT_FDCWD, proc_entry.c_str(), AT_FDCWD, name.c_str(),
                                             AT_SYMLINK_FOLLOW) == 0)) {
                temp_name_ = std::move(name);
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
    }

    std::string path_;
    std::string folder_;
    std::string base_;
    Descriptor fd_;
    std::string temp_name_;  // the temporary file's name, while it has one
    unsigned attempt_ = 0;
};

struct Snippet {
    std::string path;  // the argument as given
    std::string name;  // the path less its final ".cairo"
    struct stat seen;  // the file as the argument scan found it
};

bool ends_with_suffix(std::string_view arg)
{
    return arg.size() >= kSuffix.size() && arg.substr(arg.size() - kSuffix.size()) == kSuffix;
}

// Opens a snippet without waiting on it (a FIFO or a device would otherwise
// block) and tells what it is.
Descriptor open_snippet(const std::string &path, struct stat &st)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd && ::fstat(fd.get(), &st) != 0)
        fd.reset();
    return fd;
}

bool same_file_state(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Everything that can end a run between two blocks of work: a termination
// signal, which removes the temporary file and ends the process.
class Run {
public:
    Run(const TerminationSignals &signals, OutputFile &output) : signals_(signals), output_(output)
    {
    }
    void check_signals() const
    {
        if (const int sig = signals_.arrived()) {
            output_.discard();
            signals_.die_of(sig);
        }
    }

private:
    const TerminationSignals &signals_;
    OutputFile &output_;
};

// Writes to the output's temporary file and remembers the first failure.
class FileSink final : public quillkit::Sink {
public:
    FileSink(const Run &run, int fd) : run_(run), fd_(fd) {}

    void write(std::string_view bytes) override
    {
        run_.check_signals();
        while (error_ == 0 && !bytes.empty()) {
            const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                error_ = wrote < 0 ? errno : ENOSPC;
            else
                bytes.remove_prefix(static_cast<std::size_t>(wrote));
        }
    }
    int error() const { return error_; }

private:
    const Run &run_;
    int fd_;
    int error_ = 0;
};

// Reads a snippet again for one section of the module, checking that it is
// still the file the argument scan saw: same file, size and modification
// time before and after, and exactly that many bytes.
class SnippetReader {
public:
    SnippetReader(const Run &run, const std::vector<Snippet> &snippets, Failure &failure)
        : run_(run), snippets_(snippets), failure_(failure), block_(kReadBlock)
    {
    }

    bool operator()(std::size_t index, const quillkit::EmitBytes &emit)
    {
        const Snippet &snippet = snippets_[index];
        struct stat before {};
        errno = 0;
        Descriptor fd = open_snippet(snippet.path, before);
        if (!fd) {
            failure_ = {"cannot open '" + snippet.path + "'", errno};
            return false;
        }
        off_t total = 0;
        for (;;) {
            run_.check_signals();
            const ssize_t got = ::read(fd.get(), block_.data(), block_.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                failure_ = {"cannot read '" + snippet.path + "'", errno};
                return false;
            }
            if (got == 0)
                break;
            total += got;
            emit(std::string_view(block_.data(), static_cast<std::size_t>(got)));
        }
        struct stat after {};
        if (!same_file_state(before, snippet.seen) || ::fstat(fd.get(), &after) != 0 ||
            !same_file_state(after, snippet.seen) || total != snippet.seen.st_size) {
            failure_ = {"'" + snippet.path + "' changed while being read", 0};
            return false;
        }
        return true;
    }

private:
    const Run &run_;
    const std::vector<Snippet> &snippets_;
    Failure &failure_;
    std::vector<char> block_;
};

constexpr const char *kUsage =
    "usage: quillmake [--help | --version] [--output=FILE] [--line-directives]\n"
    "                 [snippet.cairo ...]\n"
    "\n"
    "Writes one C module, snippets.c in the current directory, holding the\n"
    "snippets (files of C statements that draw on a cairo_t named cr), their\n"
    "names and source texts, and snippet_do() to run one of them. A snippet's\n"
    "name is its argument less the final \".cairo\".\n"
    "\n"
    "  --help             print this text and exit\n"
    "  --version          print the version and exit\n"
    "  --output=FILE      write the module to FILE instead of snippets.c\n"
    "  --line-directives  add #line lines, so that compilers report errors in\n"
    "                     a snippet at the snippet's own file and line\n"
    "\n"
    "Other arguments that begin with '-' are ignored. The module replaces the\n"
    "output only once it is complete. Exit status: 0 after a complete run,\n"
    "255 for an argument that is not a readable regular file ending in .cairo\n"
    "(the output is left empty), 1 when the module cannot be written or a\n"
    "snippet cannot be read again or changed while being read (the output is\n"
    "left as it was).\n";

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

// The options that shape the module. The last --output= counts.
quillkit::ModuleOptions read_options(int argc, char **argv)
{
    quillkit::ModuleOptions options;
    options.module_file = kDefaultOutput;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, kOutputOption.size()) == kOutputOption)
            options.module_file = arg.substr(kOutputOption.size());
        else if (arg == kLineDirectivesOption)
            options.line_directives = true;
    }
    return options;
}

// Puts the finished module in the output's place, unless a termination
// signal came first.
bool commit(const Run &run, OutputFile &output, Failure &failure)
{
    run.check_signals();
    if (!output.finish(failure))
        return false;
    run.check_signals();
    return output.publish(failure);
}

int fail(const Failure &failure)
{
    if (failure.error != 0)
        std::fprintf(stderr, "quillmake: %s: %s\n", failure.what.c_str(),
                     std::strerror(failure.error));
    else
        std::fprintf(stderr, "quillmake: %s\n", failure.what.c_str());
    return kStatusFailed;
}

}  // namespace

int main(int argc, char **argv)
{
    open_standard_streams();
    if (const int status = answer_query(argc, argv); status >= 0)
        return status;
    const quillkit::ModuleOptions options = read_options(argc, argv);

    const TerminationSignals signals;
    OutputFile output(options.module_file);
    const Run run(signals, output);
    if (Failure failure; !output.create(failure))
        return fail(failure);

    std::vector<Snippet> snippets;
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.empty() && arg.front() == '-')
            continue;
        Snippet snippet{
            std::string(arg), std::string(arg.substr(0, arg.size() - kSuffix.size())), {}};
        if (!ends_with_suffix(arg) || !open_snippet(snippet.path, snippet.seen) ||
            !S_ISREG(snippet.seen.st_mode)) {
            std::fprintf(stderr, "unable to open '%s' or snippet name doesn't end in .cairo\n",
                         argv[i]);
            // Nothing written: the output becomes an empty file.
            if (Failure failure; !commit(run, output, failure))
                return fail(failure);
            return kStatusRejected;
        }
        names.push_back(snippet.name);
        snippets.push_back(std::move(snippet));
    }

    FileSink sink(run, output.fd());
    Failure failure;
    if (!quillkit::write_module(sink, names, SnippetReader(run, snippets, failure), options))
        return fail(failure);
    if (sink.error() != 0)
        return fail({"cannot write '" + output.path() + "'", sink.error()});
    if (!commit(run, output, failure))
        return fail(failure);
    return 0;
}

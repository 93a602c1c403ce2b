// output_file.h - writing a program's output file without ever leaving a
// half-written one, and without destroying what is not a file (not
// installed).
#ifndef QUILLKIT_COMMON_OUTPUT_FILE_H
#define QUILLKIT_COMMON_OUTPUT_FILE_H

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "owned_fd.h"
#include "result.h"
#include "termination_signals.h"

namespace quillkit {

// One output file, written front to back and then committed. Where the path
// leads decides how:
//
//   - a regular file, or a path that does not exist yet: the bytes go into a
//     temporary file in the same folder, which commit() renames over the path
//     once it is complete, so the path always holds either the old file or
//     the complete new one. A symbolic link to a regular file stays a link:
//     the file it leads to is replaced. The old file's permission bits are
//     kept (a new file gets 0666 less the umask). A file the user may not
//     write is refused, as cp refuses it, even where the folder would let
//     the rename through.
//   - anything else that exists (a character or block device, a FIFO, a
//     socket) and every path under /dev or /proc (/dev/stdout, /dev/fd/N): it
//     is opened and written in place, never removed or renamed over.
//   - a folder, or a symbolic link that leads nowhere: refused.
//
// While a temporary file exists, SIGTERM, SIGINT and SIGHUP are held back and
// looked for at every write: one that arrives removes the temporary file and
// then ends the process as it would have. Every failure is a message naming
// the path, such as "cannot write 'out.png': No space left on device".
class OutputFile {
public:
    // The output that `path` names ("-" is a path like any other here).
    explicit OutputFile(std::string path);
    // An output that is the already open descriptor `fd` (standard output),
    // written in place and left open; `shown` names it in messages.
    static OutputFile for_descriptor(int fd, std::string shown);

    ~OutputFile() { discard(); }
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    const std::string &path() const { return path_; }

    // Decides how the path is written and opens it (or the temporary file).
    Status open();

    // Writes `size` bytes; false once any write has failed (the first
    // failure is what commit() reports).
    bool write(const void *data, std::size_t size);
    bool write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }

    // Removes the temporary file and ends the process if a termination
    // signal has arrived; for long work between writes.
    void check_signals();

    // Finishes the output: puts the temporary file in the path's place, or
    // closes the file written in place. Fails with the reason when anything
    // failed since open(); the path is then as it was before (a file
    // written in place holds what reached it).
    Status commit();

    // Gives up: removes the temporary file. Safe to call more than once.
    void discard();

    // Whether `path` is the same file as `other` (same device and inode).
    static bool names_file(const std::string &path, const struct stat &other);

    // Removes a stale output at `path` so that no build tool takes it for up
    // to date: a regular file (or a link to one: the link goes) is unlinked;
    // anything else is left alone.
    static void remove_stale(const std::string &path);

private:
    enum class Mode { kReplace, kInPlace, kDescriptor };
    OutputFile(int fd, std::string shown);

    Status open_in_place();
    Status create_temporary();
    Status publish();
    Error failure(int error) const;

    std::string path_;
    Mode mode_ = Mode::kReplace;
    std::string target_;  // the file that is replaced (a link's target)
    mode_t permissions_ = 0;
    OwnedFd fd_;
    int borrowed_fd_ = -1;
    std::string temp_name_;  // the temporary file's name, while it has one
    bool unnamed_ = false;   // the temporary file has no name yet
    int write_error_ = 0;
    std::optional<TerminationSignals> signals_;
};

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_OUTPUT_FILE_H

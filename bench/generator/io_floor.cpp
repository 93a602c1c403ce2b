// io_floor: the file work that quillmake cannot do without, and nothing else,
// as the baseline of the generator's benchmark.
//
//   io_floor INPUT OUTPUT BYTES
//
// Reads INPUT twice, in blocks of the size quillmake reads, straight into the
// buffer it writes from (no copy in between), and writes BYTES bytes (the size
// of quillmake's module) through the same safe output routine as quillmake: a
// temporary file in OUTPUT's folder, renamed over OUTPUT once complete. The
// bytes are the input's, twice, and then the start of the buffer again until
// there are BYTES of them.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "output_file.h"
#include "owned_fd.h"

namespace {

constexpr std::size_t kReadBlock = 64 * 1024;     // as quillmake's snippet reader
constexpr std::size_t kWriteBlock = 1024 * 1024;  // as quillmake's module writer
constexpr int kStatusUsage = 2;
constexpr int kStatusFailed = 1;

int fail(const std::string &message)
{
    std::fprintf(stderr, "io_floor: %s\n", message.c_str());
    return kStatusFailed;
}

// Writes the buffer's first `used` bytes and empties it once it is full.
class Writer {
public:
    explicit Writer(quillkit::OutputFile &output) : output_(output), buffer_(kWriteBlock) {}

    // Room for the next read.
    char *tail() { return buffer_.data() + used_; }
    std::size_t room() const { return buffer_.size() - used_; }

    bool add(std::size_t got)
    {
        used_ += got;
        written_ += got;
        return used_ < buffer_.size() || flush();
    }
    bool flush()
    {
        const bool ok = output_.write(buffer_.data(), used_);
        used_ = 0;
        return ok;
    }
    std::size_t written() const { return written_; }
    const char *data() const { return buffer_.data(); }

private:
    quillkit::OutputFile &output_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    std::size_t written_ = 0;
};

bool read_into(const char *path, Writer &writer)
{
    const quillkit::OwnedFd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd)
        return false;
    for (;;) {
        const ssize_t got = ::read(fd.get(), writer.tail(), std::min(kReadBlock, writer.room()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!writer.add(static_cast<std::size_t>(got)))
            return false;
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: io_floor INPUT OUTPUT BYTES\n", stderr);
        return kStatusUsage;
    }
    const std::size_t bytes = std::strtoull(argv[3], nullptr, 10);
    quillkit::OutputFile output(argv[2]);
    if (const quillkit::Status opened = output.open(); !opened)
        return fail(opened.error());
    Writer writer(output);
    for (int pass = 0; pass < 2; ++pass)
        if (!read_into(argv[1], writer))
            return fail(std::string("cannot read '") + argv[1] + "': " + std::strerror(errno));
    if (!writer.flush())
        return fail("write failed");
    for (std::size_t left = bytes > writer.written() ? bytes - writer.written() : 0; left > 0;) {
        const std::size_t block = std::min(left, kWriteBlock);
        if (!output.write(writer.data(), block))
            return fail("write failed");
        left -= block;
    }
    if (const quillkit::Status committed = output.commit(); !committed)
        return fail(committed.error());
    return 0;
}

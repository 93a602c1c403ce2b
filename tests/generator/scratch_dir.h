// Helpers for the tests that run programs: a scratch directory per test and
// a child process run in it with its output captured.
#ifndef QUILLKIT_TESTS_GENERATOR_SCRATCH_DIR_H
#define QUILLKIT_TESTS_GENERATOR_SCRATCH_DIR_H

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillkit_test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path &rel) const { return path_ / rel; }

    // Writes `bytes` to `rel`, creating parent directories.
    void write(const std::filesystem::path &rel, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

struct RunResult {
    int status = -1;  // exit status, or -signal when killed by a signal
    std::string out;  // what the program wrote to standard output
    std::string err;  // what it wrote to standard error
};

// Runs `argv` (argv[0] is the program's path) with `cwd` as working directory
// and `extra_env` ("NAME=value") added to the environment.
RunResult run_program(const std::filesystem::path &cwd, const std::vector<std::string> &argv,
                      const std::vector<std::string> &extra_env = {});

// Runs the quillmake under test in `cwd` with the given arguments.
RunResult run_quillmake(const std::filesystem::path &cwd, const std::vector<std::string> &args,
                        const std::vector<std::string> &extra_env = {});

// The whole content of a file; fails the current test if it cannot be read.
std::string read_file(const std::filesystem::path &path);

}  // namespace quillkit_test

#endif

// scratch_dir.h - a fresh directory for one test.
#ifndef QUILLKIT_TESTS_SCRATCH_DIR_H
#define QUILLKIT_TESTS_SCRATCH_DIR_H

#include <filesystem>
#include <string_view>

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

    // Writes `bytes` to `rel`, creating parent directories; fails the test if
    // it cannot.
    void write(const std::filesystem::path &rel, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_SCRATCH_DIR_H

// files.h - whole files in tests.
#ifndef QUILLKIT_TESTS_FILES_H
#define QUILLKIT_TESTS_FILES_H

#include <filesystem>
#include <string>
#include <string_view>

namespace quillkit_test {

// The whole content of a file, byte for byte; empty if it cannot be read.
std::string read_file(const std::filesystem::path &path);

// Writes `bytes` to `path` (replacing it), creating parent directories.
// Returns false if it cannot.
bool write_file(const std::filesystem::path &path, std::string_view bytes);

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_FILES_H

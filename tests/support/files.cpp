// files.cpp - whole files in tests.
#include "files.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace quillkit_test {

std::string read_file(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool write_file(const std::filesystem::path &path, std::string_view bytes)
{
    std::error_code ignored;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.good();
}

}  // namespace quillkit_test

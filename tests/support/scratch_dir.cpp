// scratch_dir.cpp - a fresh directory for one test.
#include "scratch_dir.h"

#include "files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <system_error>

namespace quillkit_test {

ScratchDir::ScratchDir()
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillkit-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

void ScratchDir::write(const std::filesystem::path &rel, std::string_view bytes) const
{
    EXPECT_TRUE(write_file(path_ / rel, bytes)) << "cannot write " << path_ / rel;
}

}  // namespace quillkit_test

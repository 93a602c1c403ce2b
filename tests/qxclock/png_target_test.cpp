// png_target_test.cpp - qxclock --png onto something that is there already:
// links, devices, files with their modes, links to nothing, folders, and
// what it must leave of each.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "files.h"
#include "qxclock_run.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

// --png onto something that is there already: what it must leave of it.
struct TargetCase {
    const char *name;
    // Makes what is at `path` in `dir` before the run.
    void (*setup)(const ScratchDir &dir, const std::string &path);
    int status;
    const char *error;  // in stderr when status != 0
    // Checks what is at `path` after the run.
    void (*check)(const ScratchDir &dir, const std::string &path);
};

void PrintTo(const TargetCase &c, std::ostream *os)
{
    *os << c.name;
}

bool is_png(const std::string &path)
{
    return read_file(path).rfind("\x89PNG\r\n", 0) == 0;
}

std::string link_target(const std::string &path)
{
    char buf[4096];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? "" : std::string(buf, static_cast<size_t>(n));
}

mode_t mode_of(const std::string &path, bool follow = true)
{
    struct stat st {};
    if ((follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0)
        return 0;
    return st.st_mode;
}

// The minor numbers of the system's null and full devices (major 1).
constexpr unsigned kNullMinor = 3;
constexpr unsigned kFullMinor = 7;

// Makes `name` in `dir` a private device like the system's null or full one,
// and `path` a link to it; skips the test where devices cannot be made.
void link_to_device(const ScratchDir &dir, const char *name, unsigned minor,
                    const std::string &path)
{
    if (mknod((dir / name).c_str(), S_IFCHR | 0600, makedev(1, minor)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    ASSERT_EQ(symlink(name, path.c_str()), 0);
}

class PngTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(PngTargetTest, LeavesWhatItDidNotMake)
{
    const TargetCase &c = GetParam();
    ScratchDir dir;
    const std::string path = (dir / "clock.png").string();
    c.setup(dir, path);
    if (IsSkipped() || HasFatalFailure())
        return;
    const RunResult run = run_qxclock({"--png", path, "--size", "64"}, {});
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status != 0) {
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    c.check(dir, path);
    // Nothing of ours is left behind in the directory.
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".qxclock", 0), std::string::npos)
            << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Targets, PngTargetTest,
    ::testing::Values(TargetCase{"FullDisk",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     link_to_device(dir, "full", kFullMinor, path);
                                 },
                                 1, "No space left on device",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "full");
                                     EXPECT_TRUE(S_ISCHR(mode_of((dir / "full").string())));
                                 }},
                      TargetCase{"LinkToNullDevice",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     link_to_device(dir, "null", kNullMinor, path);
                                 },
                                 0, "",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "null");
                                     EXPECT_TRUE(S_ISCHR(mode_of((dir / "null").string())));
                                 }},
                      TargetCase{"LinkToAFile",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     dir.write("real.png", "old");
                                     ASSERT_EQ(symlink("real.png", path.c_str()), 0);
                                 },
                                 0, "",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "real.png");
                                     EXPECT_TRUE(is_png((dir / "real.png").string()));
                                 }},
                      TargetCase{"ExistingFileKeepsItsMode",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     dir.write("clock.png", "old");
                                     ASSERT_EQ(chmod(path.c_str(), 0640), 0);
                                 },
                                 0, "",
                                 [](const ScratchDir &, const std::string &path) {
                                     EXPECT_TRUE(is_png(path));
                                     EXPECT_EQ(mode_of(path) & 07777, 0640u);
                                 }},
                      TargetCase{"LinkToNothing",
                                 [](const ScratchDir &, const std::string &path) {
                                     ASSERT_EQ(symlink("missing.png", path.c_str()), 0);
                                 },
                                 1, "a symbolic link to a missing file",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "missing.png");
                                     EXPECT_FALSE(std::filesystem::exists(dir / "missing.png"));
                                 }},
                      TargetCase{"Directory",
                                 [](const ScratchDir &, const std::string &path) {
                                     ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
                                 },
                                 1, "Is a directory",
                                 [](const ScratchDir &, const std::string &path) {
                                     EXPECT_TRUE(S_ISDIR(mode_of(path)));
                                 }}),
    [](const ::testing::TestParamInfo<TargetCase> &param_info) {
        return std::string(param_info.param.name);
    });

}  // namespace
}  // namespace quillkit_test

// Where quillmake's module and qxclock's PNG go: the same output file rules
// for both programs, on regular files, links, private device nodes, FIFOs and
// folders, and what a termination signal during the write leaves behind.
#include "files.h"
#include "process.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillkit_test::ScratchDir;

struct Program {
    const char *name;
    // The command line that writes into `path` (run in the scratch folder,
    // which holds a.cairo).
    std::vector<std::string> (*argv)(const std::string &path);
    const char *starts;  // how the written bytes begin
};

const Program kPrograms[] = {
    {"quillmake",
     [](const std::string &path) -> std::vector<std::string> {
         return {QUILLMAKE_PATH, "--output=" + path, "a.cairo"};
     },
     "/* DO NOT EDIT!"},
#ifdef QXCLOCK_PATH
    {"qxclock",
     [](const std::string &path) -> std::vector<std::string> {
         return {QXCLOCK_PATH, "--png", path, "--size", "32"};
     },
     "\x89PNG"},
#endif
};

enum class Kind { kRegular, kLinkToRegular, kNullDevice, kFullDevice, kFifo, kFolder };

struct OutputCase {
    const char *label;
    Kind kind;
    int status;
    const char *message;  // what standard error must hold ("" for nothing)
};

const OutputCase kCases[] = {
    {"regular_file", Kind::kRegular, 0, ""},
    {"link_to_a_file", Kind::kLinkToRegular, 0, ""},
    {"null_device", Kind::kNullDevice, 0, ""},
    {"full_device", Kind::kFullDevice, 1, "cannot write 'out': No space left on device"},
    {"fifo_with_a_reader", Kind::kFifo, 0, ""},
    {"folder", Kind::kFolder, 1, "cannot create 'out': Is a directory"},
};

// Makes a private character device like the system's null (1, 3) or full
// (1, 7) device in the scratch folder; false where the process may not.
bool make_device(const fs::path &path, unsigned minor)
{
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

class OutputFileTest
    : public ::testing::TestWithParam<std::tuple<const Program *, const OutputCase *>> {};

TEST_P(OutputFileTest, FollowsTheOutputRules)
{
    const Program &program = *std::get<0>(GetParam());
    const OutputCase &c = *std::get<1>(GetParam());
    ScratchDir dir;
    dir.write("a.cairo", "cairo_fill (cr);\n");
    const fs::path out = dir / "out";
    std::future<std::string> reader;
    switch (c.kind) {
    case Kind::kRegular:
        dir.write("out", "old");
        fs::permissions(out, fs::perms(0640));
        break;
    case Kind::kLinkToRegular:
        dir.write("target", "old");
        fs::create_symlink("target", out);
        break;
    case Kind::kNullDevice:
    case Kind::kFullDevice:
        if (!make_device(out, c.kind == Kind::kNullDevice ? 3 : 7))
            GTEST_SKIP() << "cannot make a device node here (needs CAP_MKNOD)";
        break;
    case Kind::kFifo:
        ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
        reader = std::async(std::launch::async, [out] {
            std::ifstream in(out, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        });
        break;
    case Kind::kFolder:
        fs::create_directory(out);
        break;
    }

    quillkit_test::ChildOptions options;
    options.cwd = dir.path();
    const quillkit_test::RunResult run = quillkit_test::run_program(program.argv("out"), options);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (*c.message == '\0')
        EXPECT_EQ(run.err, "");
    else
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;

    struct stat st {};
    ASSERT_EQ(::lstat(out.c_str(), &st), 0);
    switch (c.kind) {
    case Kind::kRegular:
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(quillkit_test::read_file(out).rfind(program.starts, 0), 0u);
        break;
    case Kind::kLinkToRegular:
        EXPECT_TRUE(S_ISLNK(st.st_mode));
        EXPECT_EQ(quillkit_test::read_file(dir / "target").rfind(program.starts, 0), 0u);
        break;
    case Kind::kNullDevice:
    case Kind::kFullDevice:
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        break;
    case Kind::kFifo:
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        EXPECT_EQ(reader.get().rfind(program.starts, 0), 0u);
        break;
    case Kind::kFolder:
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_TRUE(fs::is_empty(out));
        break;
    }
    // Nothing else is left in the folder: no temporary file.
    std::size_t entries = 0;
    for (const auto &entry : fs::directory_iterator(dir.path()))
        entries += entry.path().filename().string().front() == '.' ? 100 : 1;
    EXPECT_EQ(entries, c.kind == Kind::kLinkToRegular ? 3u : 2u);
}

std::vector<const Program *> programs()
{
    std::vector<const Program *> all;
    for (const Program &p : kPrograms)
        all.push_back(&p);
    return all;
}

std::vector<const OutputCase *> cases()
{
    std::vector<const OutputCase *> all;
    for (const OutputCase &c : kCases)
        all.push_back(&c);
    return all;
}

INSTANTIATE_TEST_SUITE_P(Outputs, OutputFileTest,
                         ::testing::Combine(::testing::ValuesIn(programs()),
                                            ::testing::ValuesIn(cases())),
                         [](const auto &p) {
                             return std::string(std::get<0>(p.param)->name) + "_" +
                                    std::get<1>(p.param)->label;
                         });

// The state letter of a process from /proc ('T' when stopped).
char process_state(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)),
                           std::istreambuf_iterator<char>());
    const std::size_t paren = text.rfind(')');
    return paren != std::string::npos && paren + 2 < text.size() ? text[paren + 2] : '?';
}

// Stopped at its first write (by the fault shim) and then sent a termination
// signal, each program dies of it, leaving the old file and nothing else.
class SignalDuringWriteTest : public ::testing::TestWithParam<std::tuple<const Program *, int>> {};

TEST_P(SignalDuringWriteTest, LeavesTheOldFileAlone)
{
    const Program &program = *std::get<0>(GetParam());
    const int sig = std::get<1>(GetParam());
    ScratchDir dir;
    dir.write("a.cairo", "cairo_fill (cr);\n");
    dir.write("out", "old");
    quillkit_test::ChildOptions options;
    options.cwd = dir.path();
    options.env = {"QUILLKIT_STOP_AT_WRITE=1", std::string("LD_PRELOAD=") + QUILLKIT_FAULTS,
                   "ASAN_OPTIONS=verify_asan_link_order=0"};
    quillkit_test::ChildProcess child(program.argv("out"), options);
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(
        quillkit_test::wait_until([&] { return process_state(child.pid()) == 'T'; }, 30000));
    child.send_signal(sig);
    child.send_signal(SIGCONT);
    int status = 0;
    ASSERT_TRUE(child.wait_for_exit(30000, status));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(quillkit_test::read_file(dir / "out"), "old");
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.cairo", "out"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalDuringWriteTest,
                         ::testing::Combine(::testing::ValuesIn(programs()),
                                            ::testing::Values(SIGTERM, SIGINT, SIGHUP)),
                         [](const auto &p) {
                             return std::string(std::get<0>(p.param)->name) + "_" +
                                    std::to_string(std::get<1>(p.param));
                         });

// In a folder anyone may write (mode 1777, like /tmp), a file the user may
// not write is not replaced, although the folder would let the rename
// through. Where the test runs as root, who may write anything, the program
// runs without the capabilities that override file modes.
class ReadOnlyTargetTest : public ::testing::TestWithParam<const Program *> {};

TEST_P(ReadOnlyTargetTest, IsRefused)
{
    const Program &program = *GetParam();
    ScratchDir dir;
    fs::permissions(dir.path(), fs::perms(01777));
    dir.write("a.cairo", "cairo_fill (cr);\n");
    dir.write("out", "old");
    fs::permissions(dir / "out", fs::perms(0444));
    std::vector<std::string> argv = program.argv("out");
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "running as root without setpriv (util-linux) to drop its overrides";
        argv.insert(argv.begin(),
                    {"/usr/bin/setpriv", "--bounding-set=-dac_override,-dac_read_search", "--"});
    }
    quillkit_test::ChildOptions options;
    options.cwd = dir.path();
    const quillkit_test::RunResult run = quillkit_test::run_program(argv, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write 'out': Permission denied"), std::string::npos) << run.err;
    EXPECT_EQ(quillkit_test::read_file(dir / "out"), "old");
}

INSTANTIATE_TEST_SUITE_P(Programs, ReadOnlyTargetTest, ::testing::ValuesIn(programs()),
                         [](const auto &p) { return std::string(p.param->name); });

#ifdef QXCLOCK_PATH
// "--png -" is standard output, as it is for most tools, not a file named "-".
TEST(StandardOutputTest, QxclockWritesThePictureThere)
{
    ScratchDir dir;
    quillkit_test::ChildOptions options;
    options.cwd = dir.path();
    const quillkit_test::RunResult run =
        quillkit_test::run_program({QXCLOCK_PATH, "--png", "-", "--size", "16"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("\x89PNG", 0), 0u);
    EXPECT_FALSE(fs::exists(dir / "-"));
}
#endif

}  // namespace

#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

extern char **environ;

namespace quillkit_test {
namespace {

std::string slurp(std::FILE *file)
{
    std::string text;
    std::rewind(file);
    char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        text.append(block, got);
    return text;
}

}  // namespace

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quillkit-gen-XXXXXX").string();
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
    const std::filesystem::path full = path_ / rel;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream file(full, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << "cannot write " << full;
}

RunResult run_program(const std::filesystem::path &cwd, const std::vector<std::string> &argv,
                      const std::vector<std::string> &extra_env)
{
    RunResult result;
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    if (out == nullptr || err == nullptr) {
        ADD_FAILURE() << "tmpfile failed";
        return result;
    }

    // Everything the child needs is built before fork.
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    // The extra entries replace inherited ones of the same name.
    std::vector<char *> env;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string_view entry = *e;
        const std::string_view name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string &extra : extra_env)
            replaced |= extra.compare(0, name.size(), name) == 0;
        if (!replaced)
            env.push_back(*e);
    }
    for (const std::string &e : extra_env)
        env.push_back(const_cast<char *>(e.c_str()));
    env.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0 || ::dup2(::fileno(out), 1) < 0 ||
            ::dup2(::fileno(err), 2) < 0)
            ::_exit(126);
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    int wstatus = 0;
    if (pid < 0 || ::waitpid(pid, &wstatus, 0) != pid) {
        ADD_FAILURE() << "cannot run " << argv[0];
    } else if (WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.status = -WTERMSIG(wstatus);
    }
    result.out = slurp(out);
    result.err = slurp(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

RunResult run_quillmake(const std::filesystem::path &cwd, const std::vector<std::string> &args,
                        const std::vector<std::string> &extra_env)
{
    std::vector<std::string> argv{QUILLMAKE_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(cwd, argv, extra_env);
}

std::string read_file(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << "cannot open " << path;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace quillkit_test

// run_quillmake.h - the quillmake under test, run in a scratch directory.
#ifndef QUILLKIT_TESTS_RUN_QUILLMAKE_H
#define QUILLKIT_TESTS_RUN_QUILLMAKE_H

#include "process.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace quillkit_test {

// Options for a program run with `cwd` as working directory and `env`
// ("NAME=value") added to the environment.
inline ChildOptions in_dir(const std::filesystem::path &cwd, std::vector<std::string> env = {})
{
    ChildOptions options;
    options.cwd = cwd;
    options.env = std::move(env);
    return options;
}

// Runs quillmake with `args` in `cwd`.
inline RunResult run_quillmake(const std::filesystem::path &cwd,
                               const std::vector<std::string> &args,
                               std::vector<std::string> env = {})
{
    std::vector<std::string> argv{QUILLMAKE_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, in_dir(cwd, std::move(env)));
}

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_RUN_QUILLMAKE_H

// run_quillmake.h - the quillmake under test, run in a scratch directory.
#ifndef QUILLKIT_TESTS_RUN_QUILLMAKE_H
#define QUILLKIT_TESTS_RUN_QUILLMAKE_H

#include "process.h"

#include <cstdlib>
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

// The command line of quillmake with `args`.
inline std::vector<std::string> quillmake_argv(const std::vector<std::string> &args)
{
    std::vector<std::string> argv{QUILLMAKE_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// The environment that preloads the fault shim (faults.c) with `faults`
// ("QUILLKIT_...=value") into a program.
inline std::vector<std::string> with_faults(std::vector<std::string> faults)
{
    std::string asan = "ASAN_OPTIONS=verify_asan_link_order=0";
    if (const char *given = std::getenv("ASAN_OPTIONS"))
        asan += std::string(":") + given;
    faults.push_back(std::string("LD_PRELOAD=") + QUILLKIT_FAULTS);
    faults.push_back(asan);
    return faults;
}

// Runs quillmake with `args` in `cwd`.
inline RunResult run_quillmake(const std::filesystem::path &cwd,
                               const std::vector<std::string> &args,
                               std::vector<std::string> env = {})
{
    return run_program(quillmake_argv(args), in_dir(cwd, std::move(env)));
}

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_RUN_QUILLMAKE_H

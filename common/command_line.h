// command_line.h - the programs' one option reader (not installed).
//
// Long options in full or abbreviated to any unambiguous prefix, their
// values as "--name=VALUE" or "--name VALUE"; single-letter options as
// "-x"; "--" ends the options; everything else is an operand, in order.
// The options come back in the order given, so that a program applying them
// in turn lets the last of a repeated option win, as GNU tools do.
#ifndef QUILLKIT_COMMON_COMMAND_LINE_H
#define QUILLKIT_COMMON_COMMAND_LINE_H

#include <cstddef>
#include <string>
#include <vector>

#include "result.h"

namespace quillkit {

struct OptionSpec {
    const char *name;  // the long name, without "--"
    char letter;       // the short form, or '\0'
    bool takes_value;  // whether it needs a value
    int id;            // what the program calls it
    // What the value is, for "option '--x' needs <value_name>"; nullptr:
    // "a value".
    const char *value_name = nullptr;
};

struct GivenOption {
    int id = 0;
    std::string spelling;  // "--name" in full (however it was typed), or "-x"
    std::string value;
};

struct CommandLine {
    std::vector<GivenOption> options;
    std::vector<std::string> operands;
};

// Reads argv[1..argc) against `known`. Fails with one line naming the
// argument as typed, less any "=VALUE" (an abbreviation stays one): "unknown
// option '--x'", "option '--x' needs a value", "option '--x' takes no
// value", or "option '--x' is ambiguous; possibilities: '--xa' '--xb'".
Result<CommandLine> read_command_line(int argc, const char *const *argv, const OptionSpec *known,
                                      std::size_t count);

template <std::size_t N>
Result<CommandLine> read_command_line(int argc, const char *const *argv,
                                      const OptionSpec (&known)[N])
{
    return read_command_line(argc, argv, known, N);
}

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_COMMAND_LINE_H

// command_line.cpp - the programs' one option reader.
#include "command_line.h"

#include <algorithm>
#include <cstring>

namespace quillkit {

namespace {

// The option `typed` names: an exact name, else the one name it begins.
Result<const OptionSpec *> find_long(const std::string &typed, const OptionSpec *specs,
                                     std::size_t count)
{
    std::vector<const OptionSpec *> prefixed;
    for (std::size_t i = 0; i < count; i++) {
        if (typed == specs[i].name)
            return &specs[i];
        if (!typed.empty() && std::strncmp(specs[i].name, typed.c_str(), typed.size()) == 0)
            prefixed.push_back(&specs[i]);
    }
    if (prefixed.size() == 1)
        return prefixed.front();
    if (prefixed.empty())
        return fail("unknown option '--" + typed + "'");
    std::vector<std::string> names;
    for (const OptionSpec *spec : prefixed)
        names.emplace_back(spec->name);
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string &n : names)
        list += " '--" + n + "'";
    return fail("option '--" + typed + "' is ambiguous; possibilities:" + list);
}

}  // namespace

Result<CommandLine> read_command_line(int argc, const char *const *argv, const OptionSpec *specs,
                                      std::size_t count)
{
    CommandLine line;
    bool options_done = false;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            line.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        GivenOption given;
        const OptionSpec *spec = nullptr;
        bool has_inline_value = false;
        std::string typed = arg;  // the option as typed, less any "=VALUE"
        if (arg[1] == '-') {
            const std::size_t eq = arg.find('=');
            typed = arg.substr(0, eq);
            Result<const OptionSpec *> found = find_long(typed.substr(2), specs, count);
            if (!found)
                return fail(found.error());
            spec = found.value();
            given.spelling = std::string("--") + spec->name;
            if (eq != std::string::npos) {
                if (!spec->takes_value)
                    return fail("option '" + typed + "' takes no value");
                given.value = arg.substr(eq + 1);
                has_inline_value = true;
            }
        } else {
            for (std::size_t k = 0; k < count && spec == nullptr; k++)
                if (specs[k].letter != '\0' && arg.size() == 2 && specs[k].letter == arg[1])
                    spec = &specs[k];
            if (spec == nullptr)
                return fail("unknown option '" + arg + "'");
            given.spelling = arg;
        }
        if (spec->takes_value && !has_inline_value) {
            if (i + 1 >= argc)
                return fail("option '" + typed + "' needs " +
                            (spec->value_name ? spec->value_name : "a value"));
            given.value = argv[++i];
        }
        given.id = spec->id;
        line.options.push_back(std::move(given));
    }
    return line;
}

}  // namespace quillkit

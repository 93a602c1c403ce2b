// command_line.cpp - the programs' one option reader.
#include "command_line.h"

#include <algorithm>
#include <cstring>

namespace quillkit {

namespace {

// The option `typed` names: an exact name, else the one name it begins.
Result<const OptionSpec *> find_long(const std::string &typed, const OptionSpec *known,
                                     std::size_t count)
{
    std::vector<const OptionSpec *> prefixed;
    for (std::size_t i = 0; i < count; i++) {
        if (typed == known[i].name)
            return &known[i];
        if (!typed.empty() && std::strncmp(known[i].name, typed.c_str(), typed.size()) == 0)
            prefixed.push_back(&known[i]);
    }
    if (prefixed.size() == 1)
        return prefixed.front();
    if (prefixed.empty())
        return fail("unknown option '--" + typed + "'");
    std::vector<std::string> names;
    for (const OptionSpec *plan : prefixed)
        names.emplace_back(plan->name);
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string &n : names)
        list += " '--" + n + "'";
    return fail("option '--" + typed + "' is ambiguous; possibilities:" + list);
}

}  // namespace

Result<CommandLine> read_command_line(int argc, const char *const *argv, const OptionSpec *known,
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
        const OptionSpec *plan = nullptr;
        bool has_inline_value = false;
        std::string typed = arg;  // the option as typed, less any "=VALUE"
        if (arg[1] == '-') {
            const std::size_t eq = arg.find('=');
            typed = arg.substr(0, eq);
            Result<const OptionSpec *> found = find_long(typed.substr(2), known, count);
            if (!found)
                return fail(found.error());
            plan = found.value();
            given.spelling = std::string("--") + plan->name;
            if (eq != std::string::npos) {
                if (!plan->takes_value)
                    return fail("option '" + typed + "' takes no value");
                given.value = arg.substr(eq + 1);
                has_inline_value = true;
            }
        } else {
            for (std::size_t k = 0; k < count && plan == nullptr; k++)
                if (known[k].letter != '\0' && arg.size() == 2 && known[k].letter == arg[1])
                    plan = &known[k];
            if (plan == nullptr)
                return fail("unknown option '" + arg + "'");
            given.spelling = arg;
        }
        if (plan->takes_value && !has_inline_value) {
            if (i + 1 >= argc)
                return fail("option '" + typed + "' needs " +
                            (plan->value_name ? plan->value_name : "a value"));
            given.value = argv[++i];
        }
        given.id = plan->id;
        line.options.push_back(std::move(given));
    }
    return line;
}

}  // namespace quillkit

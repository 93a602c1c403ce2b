// depfile.cpp - the dependency file quillmake writes beside the module.
#include "depfile.h"

#include <set>

namespace quillmake {

namespace {

// Appends `name` escaped for a rule line. A run of backslashes before a
// blank is doubled, and the blank escaped, as gcc does; elsewhere a
// backslash stands for itself.
bool append_escaped(std::string &out, const std::string &name)
{
    std::size_t backslashes = 0;
    for (const char c : name) {
        switch (c) {
        case '\n':
        case '\r':
            return false;
        case ' ':
        case '\t':
            out.append(backslashes + 1, '\\');
            break;
        case '#':
        case ':':
            out += '\\';
            break;
        case '$':
            out += '$';
            break;
        default:
            break;
        }
        out += c;
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return true;
}

}  // namespace

std::optional<std::string> dependency_text(const std::string &target,
                                           const std::vector<std::string> &prerequisites,
                                           std::string &unwritable)
{
    std::string text;
    if (!append_escaped(text, target)) {
        unwritable = target;
        return std::nullopt;
    }
    text += ':';
    std::string rules;
    std::set<std::string> listed;
    for (const std::string &name : prerequisites) {
        if (!listed.insert(name).second)
            continue;
        std::string escaped;
        if (!append_escaped(escaped, name)) {
            unwritable = name;
            return std::nullopt;
        }
        text += ' ' + escaped;
        rules += '\n' + escaped + ":\n";
    }
    text += '\n';
    return text + rules;
}

}  // namespace quillmake

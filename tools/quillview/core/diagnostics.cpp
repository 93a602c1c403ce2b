// diagnostics.cpp - reading the C compiler's messages.
#include "diagnostics.h"

#include <cstdlib>
#include <sstream>

namespace quillview {

namespace {

bool names_snippet(const std::string &file, const std::string &snippet_file)
{
    const std::string tail = "/" + snippet_file;
    return file == snippet_file ||
           (file.size() > tail.size() &&
            file.compare(file.size() - tail.size(), tail.size(), tail) == 0);
}

}  // namespace

std::vector<Diagnostic> parse_diagnostics(const std::string &log, const std::string &snippet_file)
{
    std::vector<Diagnostic> found;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        // file:line:column: severity: text
        const std::size_t c1 = line.find(':');
        if (c1 == std::string::npos || c1 == 0)
            continue;
        char *end = nullptr;
        const long ln = std::strtol(line.c_str() + c1 + 1, &end, 10);
        if (end == line.c_str() + c1 + 1 || *end != ':')
            continue;
        char *end2 = nullptr;
        long col = std::strtol(end + 1, &end2, 10);
        if (end2 == end + 1)
            end2 = end, col = 0;  // file:line: severity: text
        if (*end2 != ':' || end2[1] != ' ')
            continue;
        const std::string rest = end2 + 2;
        const std::size_t c2 = rest.find(": ");
        if (c2 == std::string::npos)
            continue;
        Diagnostic d;
        d.severity = rest.substr(0, c2);
        if (d.severity == "fatal error")
            d.severity = "error";
        if (d.severity != "error" && d.severity != "warning" && d.severity != "note")
            continue;
        d.text = rest.substr(c2 + 2);
        if (names_snippet(line.substr(0, c1), snippet_file)) {
            d.line = static_cast<int>(ln);
            d.column = static_cast<int>(col);
        }
        found.push_back(d);
    }
    return found;
}

std::string first_error(const std::vector<Diagnostic> &diagnostics, const std::string &log,
                        const std::string &snippet_file, const std::string &fallback)
{
    for (const Diagnostic &d : diagnostics)
        if (d.severity == "error" && d.line > 0)
            return snippet_file + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) +
                   ": error: " + d.text;
    const std::string first = log.substr(0, log.find('\n'));
    return first.empty() ? fallback : first;
}

}  // namespace quillview

// Fuzz target for the module writer: random names (no NUL, as on a command
// line) and random snippet bytes. Every literal of both tables must decode by
// C's rules to the exact input, with and without trigraphs, every case comment
// must end on its own label line, every case must hold its snippet unchanged,
// and the fixed text after the last case must be the same as for an empty
// module. With line directives, the module must be the plain one plus
// directive lines that name each snippet's file and the module's true lines.
// Each block scan of the escape writes what the byte-at-a-time escape writes.
#include "escape_reference.h"
#include "module_reader.h"
#include "module_writer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kMaxSnippets = 6;
constexpr std::size_t kMaxNameLength = 80;
constexpr std::size_t kMaxTextLength = 1024;

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "module check failed: %s\n", what.c_str());
    std::abort();
}

std::string fixed_tail(const std::string &module)
{
    const std::size_t at = module.rfind("     default:\n");
    if (at == std::string::npos)
        fail("no default case");
    return module.substr(at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, kMaxSnippets);
    std::vector<std::string> names, texts;
    for (std::size_t i = 0; i < count; ++i) {
        std::string name = in.ConsumeRandomLengthString(kMaxNameLength);
        name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
        names.push_back(std::move(name));
        texts.push_back(in.ConsumeRandomLengthString(kMaxTextLength));
    }

    for (const std::string &text : texts)
        for (const bool after_question : {false, true}) {
            std::string want;
            const bool want_state =
                quillkit_test::reference_source_escaped(want, text, after_question);
            std::vector<char> out(quillkit::source_escaped_bound(text.size()));
            for (const quillkit::SourceScan scan :
                 {quillkit::SourceScan::kWords, quillkit::SourceScan::kSse2}) {
                bool state = after_question;
                const char *end = quillkit::escape_source(out.data(), text, state, scan);
                const std::string_view got(out.data(), static_cast<std::size_t>(end - out.data()));
                if (got != want || state != want_state)
                    fail("a block scan escapes the text differently from the reference");
            }
        }

    const std::string module = quillkit::render_module(names, texts);

    for (const bool trigraphs : {false, true}) {
        quillkit_test::ModuleTables tables;
        if (std::string error = quillkit_test::read_tables(module, tables, trigraphs);
            !error.empty())
            fail(error);
        if (tables.names != names)
            fail("name table does not decode to the names");
        if (tables.sources != texts)
            fail("source table does not decode to the snippet bytes");
        if (std::string error =
                quillkit_test::check_dispatcher(module, tables.end, names, texts, trigraphs);
            !error.empty())
            fail(error);
    }

    quillkit::ModuleOptions options;
    options.line_directives = true;
    options.module_file = names.empty() ? "snippets.c" : names.front() + ".c";
    if (std::string error = quillkit_test::check_line_directives(
            quillkit::render_module(names, texts, options), module, names, options.module_file);
        !error.empty())
        fail(error);

    // The "     default:" that follows the last case is the last one in the
    // module: the fixed functions after it contain none.
    static const std::string empty_tail = fixed_tail(quillkit::render_module({}, {}));
    if (fixed_tail(module) != empty_tail)
        fail("fixed text after the dispatcher differs");
    return 0;
}

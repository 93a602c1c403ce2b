// The text of a generated snippet module ("snippets.c").
//
// write_module produces the module front to back in one pass. It does not touch
// the file system: the caller decides where the bytes go (a Sink) and how a
// snippet's text is read (from a file, from memory). That keeps the exact text
// of the module and the order of its sections in one place, testable and
// fuzzable without files.
#ifndef QUILLKIT_GENERATOR_MODULE_WRITER_H
#define QUILLKIT_GENERATOR_MODULE_WRITER_H

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillkit {

// Where the module's bytes go. `write` receives the bytes in order; a sink that
// fails remembers the failure itself, the writer never looks back.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// A sink that collects everything in memory.
class StringSink final : public Sink {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// Escapes for the places a snippet's bytes or name appear in the module. Each
// appends to `out`. In both tables a '?' that follows a '?' is written "\?",
// so that no trigraph forms where a compiler reads them (strict C modes): the
// strings read back the same either way.

// A snippet's text inside the source table's literal: every line of the file
// becomes a literal of its own ("...\n" newline "..."), with '"', '\' and CR
// escaped and every other byte kept as it is. The text may come in blocks:
// `after_question` says whether the text before `bytes` ended in '?', and the
// result whether `bytes` do.
bool append_source_escaped(std::string &out, std::string_view bytes, bool after_question = false);

// How the escape of a snippet's text looks for the bytes it changes ('\n',
// '"', '\', CR, '?'): a block of bytes at a time, copying the runs between
// them whole. Every scan writes the same bytes.
enum class SourceScan {
    kWords,  // 8 bytes in a 64-bit word, on any target
    kSse2,   // 16 bytes in an SSE2 register, where the target has SSE2 (x86-64)
};
#ifdef __SSE2__
constexpr bool kHaveSse2Scan = true;
constexpr SourceScan kDefaultSourceScan = SourceScan::kSse2;
#else
constexpr bool kHaveSse2Scan = false;
constexpr SourceScan kDefaultSourceScan = SourceScan::kWords;
#endif

// The most bytes escape_source writes into its buffer for `size` bytes of
// text: a newline becomes five bytes, and a scan may store a whole block or
// an escape's 8-byte word beyond the text's last byte.
constexpr std::size_t source_escaped_bound(std::size_t size)
{
    return 5 * size + 16;
}

// append_source_escaped into a buffer that has room for
// source_escaped_bound(bytes.size()) bytes from `out` on; returns the end of
// the escaped text. `after_question` goes in as the text before `bytes` ended
// and comes out as `bytes` end. A scan the target lacks (kSse2 without SSE2)
// falls back to kWords.
char *escape_source(char *out, std::string_view bytes, bool &after_question,
                    SourceScan scan = kDefaultSourceScan);

// A snippet name as the body of a C string literal: '"', '\', newline and CR
// get their short escapes, other control bytes a three-digit octal escape;
// everything else is kept.
void append_name_literal(std::string &out, std::string_view name);

// A snippet name inside the case label's block comment: unchanged, except that
// a '/' that would close the comment is written as "\/". That covers a '*' and
// a '/' joined by a line splice, whose backslash may also be the trigraph
// "??/".
void append_name_comment(std::string &out, std::string_view name);

// How a module is written beyond its fixed text.
struct ModuleOptions {
    // Adds a "#line" directive before each pasted snippet (line 1 of the
    // snippet's file, "<name>.cairo") and one after it (the module's own file
    // and true line), so that a compiler reports errors in a snippet at the
    // snippet's file and line. Each directive is a line of its own inserted
    // after a newline of the plain module: without them the module is the
    // plain one, byte for byte.
    bool line_directives = false;
    // The module's file name as the compiler will be given it, for the
    // directives after the pasted snippets.
    std::string module_file = "snippets.c";
    // The file each snippet's directive names, by snippet number; a snippet
    // without an entry is named "<name>.cairo".
    std::vector<std::string> snippet_files;
};

// Hands the bytes of one snippet's text to `emit`, in order and in blocks of
// any size.
using EmitBytes = std::function<void(std::string_view)>;
// Reads the text of snippet `index` (0 to names.size() - 1) into `emit`.
// Returns false when it cannot; the module is then abandoned.
using ReadSnippet = std::function<bool(std::size_t index, const EmitBytes &emit)>;

// Writes a whole module for the snippets `names`, front to back, into `sink`:
// banner and include, count and name table, source table, dispatcher, fixed
// functions. Each snippet's text is read twice through `read`, once for the
// source table and once for the dispatcher, in snippet order. Returns false,
// with the module cut short, as soon as `read` does.
bool write_module(Sink &sink, const std::vector<std::string> &names, const ReadSnippet &read,
                  const ModuleOptions &options = {});

// The whole module for snippets given in memory (names and texts side by side).
std::string render_module(const std::vector<std::string> &names,
                          const std::vector<std::string> &texts, const ModuleOptions &options = {});

}  // namespace quillkit

#endif

// The text of a generated snippet module ("snippets.c").
//
// ModuleWriter produces the module front to back in one pass. It does not touch
// the file system: the caller decides where the bytes go (a Sink) and feeds the
// snippet texts in, in whatever blocks it reads them. That keeps the exact text
// of the module in one place, testable and fuzzable without files.
#ifndef QUILLKIT_GENERATOR_MODULE_WRITER_H
#define QUILLKIT_GENERATOR_MODULE_WRITER_H

#include <cstddef>
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

// Escapes for the three places a snippet's bytes or name appear in the module.
// Each appends to `out`.

// A snippet's text inside the source table's literal: every line of the file
// becomes a literal of its own ("...\n" newline "..."), with '"', '\' and CR
// escaped and every other byte kept as it is.
void append_source_escaped(std::string &out, std::string_view bytes);

// A snippet name as the body of a C string literal: '"', '\', newline and CR
// get their short escapes, other control bytes a three-digit octal escape;
// everything else is kept.
void append_name_literal(std::string &out, std::string_view name);

// A snippet name inside the case label's block comment: unchanged, except that
// a '/' that would close the comment is written as "\/".
void append_name_comment(std::string &out, std::string_view name);

// Writes the module's sections in order. Section by section:
//   header();
//   index(names);
//   source_begin(n); { source_entry_begin(); source_bytes(...)*; source_entry_end(); }*n;
//   source_end(); dispatch_begin(); { case_begin(i, name); case_bytes(...)*; case_end(); }*n;
//   dispatch_end(); util();
// Output is buffered; flush() hands the rest to the sink (the destructor does not).
class ModuleWriter {
public:
    explicit ModuleWriter(Sink &sink);
    ModuleWriter(const ModuleWriter &) = delete;
    ModuleWriter &operator=(const ModuleWriter &) = delete;

    void header();
    void index(const std::vector<std::string> &names);

    void source_begin(std::size_t count);
    void source_entry_begin();
    void source_bytes(std::string_view bytes);
    void source_entry_end();
    void source_end();

    void dispatch_begin();
    void case_begin(std::size_t number, std::string_view name);
    void case_bytes(std::string_view bytes);
    void case_end();
    void dispatch_end();

    void util();

    void flush();

private:
    void put(std::string_view bytes);
    void maybe_flush();

    Sink &sink_;
    std::string buffer_;
};

// The whole module for snippets given in memory (names and texts side by side).
std::string render_module(const std::vector<std::string> &names,
                          const std::vector<std::string> &texts);

}  // namespace quillkit

#endif

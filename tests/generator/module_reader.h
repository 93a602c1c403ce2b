// Reads a generated snippets.c back the way a C compiler would, so tests and
// the fuzzer can check that the tables hold exactly the input bytes.
//
// Translation phase 2 (backslash-newline splices, with LF, CR LF or a lone CR
// as the line end, as gcc and clang read it) is applied before the string
// literals are decoded. Trigraphs (phase 1) are replaced only when asked for:
// the strict C modes before C23 read them, gcc's gnu modes do not. A raw
// newline or CR inside a literal is an error, as it is for gcc and clang.
#ifndef QUILLKIT_TESTS_GENERATOR_MODULE_READER_H
#define QUILLKIT_TESTS_GENERATOR_MODULE_READER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillkit_test {

struct ModuleTables {
    std::vector<std::string> names;    // decoded entries of snippet_name
    std::vector<std::string> sources;  // decoded entries of snippet_source
    std::size_t end = 0;               // offset just past the source table's "};\n"
};

// Decodes the body of one C string literal (the text between the quotes, with
// escapes, no raw newline). Returns an error message, empty on success.
std::string decode_literal_body(std::string_view body, std::string &out);

// The text with its trigraphs replaced, as translation phase 1 does it.
std::string replace_trigraphs(std::string_view text);

// Reads the header, the count and both tables of a module, with or without
// trigraphs. Returns an error message, empty on success.
std::string read_tables(std::string_view module, ModuleTables &tables, bool trigraphs = false);

// Checks the dispatcher that starts at `pos` (the end of the source table):
// every case label's comment ends on its own label line, and each case holds
// the snippet's bytes unchanged. Names free of comment ends must appear in
// the comment as they are. With `trigraphs`, the module, names and texts are
// all seen after phase 1, and `pos` must come from read_tables in the same
// mode. Returns an error message, empty on success.
std::string check_dispatcher(std::string_view module, std::size_t pos,
                             const std::vector<std::string> &names,
                             const std::vector<std::string> &texts, bool trigraphs = false);

// Checks a module written with line directives against the plain module of
// the same snippets: taking out its directive lines leaves the plain module
// byte for byte, and each snippet has two directives, one naming line 1 of
// "<name>.cairo" just before its text and one after it naming `module_file`
// with the true number of the line that follows. Returns an error message,
// empty on success.
std::string check_line_directives(std::string_view with, std::string_view plain,
                                  const std::vector<std::string> &names,
                                  std::string_view module_file);

}  // namespace quillkit_test

#endif

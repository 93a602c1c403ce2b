// depfile.h - the dependency file quillmake writes beside the module.
#ifndef QUILLKIT_GENERATOR_DEPFILE_H
#define QUILLKIT_GENERATOR_DEPFILE_H

#include <optional>
#include <string>
#include <vector>

namespace quillmake {

// The text of a Make dependency file: "<target>: <prerequisite> ...", then an
// empty rule for each prerequisite (as gcc -MP writes), so that a snippet
// that has been removed makes Make or Ninja run the rule again instead of
// failing for want of a way to make it. Spaces, tabs, '#', '$' and ':' in a
// name are escaped as both Make and Ninja read them. A name with a newline
// cannot be written at all: the result is then empty, with that name in
// `unwritable`.
std::optional<std::string> dependency_text(const std::string &target,
                                           const std::vector<std::string> &prerequisites,
                                           std::string &unwritable);

}  // namespace quillmake

#endif  // QUILLKIT_GENERATOR_DEPFILE_H

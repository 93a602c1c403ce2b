// self_path.h - the running program's own file (not installed).
#ifndef QUILLKIT_COMMON_SELF_PATH_H
#define QUILLKIT_COMMON_SELF_PATH_H

#include <string>

namespace quillkit {

// The absolute path of the running program's file, as the kernel knows it
// (/proc/self/exe); empty when it cannot be read.
std::string self_path();

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_SELF_PATH_H

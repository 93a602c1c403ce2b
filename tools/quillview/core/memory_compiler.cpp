// memory_compiler.cpp - compiling a snippet module in memory with libtcc.
#include "memory_compiler.h"

#ifdef QUILLVIEW_WITH_LIBTCC
#include <libtcc.h>
#endif

namespace quillview {

namespace {

// The compiler's messages beyond this are left out.
constexpr std::size_t kMaxMessages = 65536;

void collect(void *opaque, const char *message)
{
    auto *messages = static_cast<std::string *>(opaque);
    if (messages->size() < kMaxMessages)
        messages->append(message).append("\n");
}

}  // namespace

#ifdef QUILLVIEW_WITH_LIBTCC

bool memory_compiler_built()
{
    return true;
}

MemoryModule::~MemoryModule()
{
    tcc_delete(static_cast<TCCState *>(state_));
}

quillkit::Result<std::unique_ptr<MemoryModule>>
MemoryModule::compile(const std::string &text, const std::vector<std::string> &include_dirs)
{
    TCCState *state = tcc_new();
    if (state == nullptr)
        return quillkit::fail("libtcc: cannot make a compiler state");
    std::unique_ptr<MemoryModule> module(new MemoryModule(state));
    std::string messages;
    tcc_set_error_func(state, &messages, &collect);
    tcc_set_output_type(state, TCC_OUTPUT_MEMORY);
    for (const std::string &dir : include_dirs)
        tcc_add_include_path(state, dir.c_str());
    if (tcc_compile_string(state, text.c_str()) < 0 || tcc_relocate(state, TCC_RELOCATE_AUTO) < 0 ||
        messages.find(": error: ") != std::string::npos)
        return quillkit::fail(messages.empty() ? "libtcc: the module does not compile" : messages);
    module->snippet_do_ = reinterpret_cast<SnippetDo>(tcc_get_symbol(state, "snippet_do"));
    return module;
}

#else

bool memory_compiler_built()
{
    return false;
}

MemoryModule::~MemoryModule() = default;

quillkit::Result<std::unique_ptr<MemoryModule>>
MemoryModule::compile(const std::string &, const std::vector<std::string> &)
{
    std::string messages;
    collect(&messages, "quillview was built without libtcc");
    return quillkit::fail(messages);
}

#endif

}  // namespace quillview

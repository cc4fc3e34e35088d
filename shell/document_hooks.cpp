// The shell's document hooks and their do-nothing defaults.
#include "shell/document_hooks.h"

namespace {
void no_path(const char*) {}
int none() { return 0; }
void nothing() {}
const char* no_text() { return nullptr; }
}  // namespace

const ShellDocumentHooks shell_documents_unbound = {no_path, none,    nothing, nothing, nothing,
                                                    nothing, no_text, none,    no_text, nothing};
ShellDocumentHooks shell_documents = shell_documents_unbound;

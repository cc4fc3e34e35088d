// Binds the document code and the shell to each other, both ways: fills
// document_shell (documents/document_seams.h) and shell_documents
// (shell/document_hooks.h), each as one whole table.  Called once, from
// program_wiring.
#pragma once

void documents_bind_shell();

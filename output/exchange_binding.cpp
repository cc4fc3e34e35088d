// Binding of the exchange code to the documents' shell seams.
#include "output/exchange_binding.h"

#include "documents/document_seams.h"
#include "output/import_session.h"

namespace {

void prompt(const char* text) {
    if (document_shell.prompt_show) document_shell.prompt_show(text);
}

}  // namespace

void exchange_bind() {
    exchange_shell = ExchangeShell{};
    exchange_shell.prompt = prompt;
}

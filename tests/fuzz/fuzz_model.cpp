// Fuzz target of the model language: the input is a program text, which is
// translated and run with a statement budget. Any text must end in a
// message or a normal stop: never a crash, a hang, a leak or undefined
// behaviour. Path separators are blanked, so the files a program opens stay
// in the fuzzer's working folder.
#include "model/model_interpreter.h"

#include <cstddef>
#include <cstdint>
#include <string>

static void drop_line(void*, const char*) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    for (char& c : text)
        if (c == '/' || c == '\\' || c == ':') c = ' ';
    ModelHost host;
    host.output_line = drop_line;
    host.statement_budget = 20000;
    model_run(text.data(), text.size(), 0, host);
    model_run(text.data(), text.size(), 1, host);
    return 0;
}

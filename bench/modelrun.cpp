// modelrun: runs a model program file with the portable interpreter and
// prints its output lines on stdout, for the language's comparisons with
// other BASICs and for instruction counts. The line prefix and the start
// and stop lines are left out unless -raw is given; messages go to stderr.
// Exit status: 0 finished, 1 failed, 2 stopped.
//
//     modelrun [-raw] [-budget N] prog.bas
#include "model/model_interpreter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

bool raw = false;
int lines_seen = 0;

void print_line(void*, const char* line) {
    ++lines_seen;
    if (raw) {
        std::printf("%s\n", line);
        return;
    }
    // A detail line of a message, or a line of the program's output.
    if (std::strncmp(line, "       ", 7) == 0 || std::strlen(line) < 7) {
        std::fprintf(stderr, "%s\n", line);
        return;
    }
    std::printf("%s\n", line + 7);
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = nullptr;
    unsigned long long budget = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-raw") == 0)
            raw = true;
        else if (std::strcmp(argv[i], "-budget") == 0 && i + 1 < argc)
            budget = std::strtoull(argv[++i], nullptr, 10);
        else
            path = argv[i];
    }
    if (!path) {
        std::fprintf(stderr, "usage: modelrun [-raw] [-budget N] prog.bas\n");
        return 64;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "modelrun: cannot read %s\n", path);
        return 66;
    }
    std::stringstream s;
    s << f.rdbuf();
    std::string text = s.str();
    ModelHost host;
    host.output_line = print_line;
    host.statement_budget = budget;
    if (!raw) {
        // The start and stop lines are not program output.
        struct Filter {
            static void line(void* ctx, const char* l) {
                int* n = static_cast<int*>(ctx);
                ++*n;
                if (std::strstr(l, "*=С Т А Р Т=*") || std::strstr(l, "*=С Т О П  машина!=*")) return;
                print_line(nullptr, l);
            }
        };
        static int count = 0;
        host.context = &count;
        host.output_line = Filter::line;
    }
    ModelRunResult r = model_run(text.data(), text.size(), 0, host);
    return static_cast<int>(r.outcome);
}

// Shared helpers of the model tests: running a program text through the
// interpreter with a host that records the output lines.
#pragma once
#include "model/model_interpreter.h"

#include <string>
#include <vector>

namespace model_test {

struct Recorder {
    std::vector<std::string> lines;
    int lines_before_stop = -1;  // clears running after this many lines
    volatile int running = 1;
};

inline void record_line(void* ctx, const char* line) {
    Recorder* r = static_cast<Recorder*>(ctx);
    r->lines.push_back(line);
    if (r->lines_before_stop >= 0 && static_cast<int>(r->lines.size()) >= r->lines_before_stop) r->running = 0;
}

inline void fixed_time(void*, int out[6]) {
    const int t[6] = {2026, 3, 7, 9, 5, 4};
    for (int i = 0; i < 6; ++i) out[i] = t[i];
}

inline bool stop_requested(void* ctx) { return static_cast<Recorder*>(ctx)->running == 0; }

inline ModelHost recording_host(Recorder& r) {
    ModelHost h;
    h.context = &r;
    h.output_line = record_line;
    h.stop_requested = stop_requested;
    h.local_time = fixed_time;
    return h;
}

// Runs text in slot 0 (main model); returns the output lines between the
// start and the stop line (both checked to be there).
inline std::vector<std::string> run_lines(const std::string& text, ModelRunResult* result = nullptr,
                                          int slot = 0) {
    Recorder r;
    ModelHost h = recording_host(r);
    ModelRunResult res = model_run(text.data(), text.size(), slot, h);
    if (result) *result = res;
    std::vector<std::string> body;
    if (r.lines.size() < 2) return {"<no start or stop line>"};
    for (size_t i = 1; i + 1 < r.lines.size(); ++i) body.push_back(r.lines[i]);
    return body;
}

}  // namespace model_test

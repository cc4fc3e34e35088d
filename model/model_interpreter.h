// The model interpreter: runs a translated program against its variables,
// evaluates expressions (compiled once per statement and kept with the
// node), calls the built-in functions, reads and writes the channel files
// and reports its lines through the run's host. It knows nothing of the
// drawing: the drawing functions (35-50) go through the host, and the
// variables marked by SAVE are handed back to the caller, which stores them
// (model/model_storage.h).
//
// Outcomes of a run: finished (the end of the list, STOP, or a RETURN with
// no GOSUB), failed (an error was reported; its line is in the output), or
// stopped (the host's running flag was cleared, or a silent run used up its
// statement budget). Only a finished run of the main model hands back its
// saved variables; every channel is closed at the end of every run.
#pragma once
#include "model/model_names.h"
#include "model/model_translator.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ModelValue {
    uint8_t type = model_type_integer;  // model_type_*
    double number = 0.0;
    std::string text;
};

// What the run needs from the program around it; tests fill it with
// recorders, the program with the model window's post and the drawing.
struct ModelHost {
    void* context = nullptr;
    // One finished output line (message, start or stop line, PRINT); not
    // called in a silent run.
    void (*output_line)(void* context, const char* line) = nullptr;
    // Asked before every statement: true ends the run (the stop button).
    // Null: nothing stops the run but its budget.
    bool (*stop_requested)(void* context) = nullptr;
    bool silent = false;
    // Statements a run may execute; 0 for no limit. Runs nobody can stop
    // (silent ones) must have one.
    uint64_t statement_budget = 0;
    // The local time as year, month, day, hours, minutes, seconds; null
    // reads the system clock.
    void (*local_time)(void* context, int out[6]) = nullptr;
    // The drawing functions 35-50: returns true with the result, or false
    // with the error filled. Null: every one of them is "%ая функция".
    bool (*drawing_function)(void* context, int number, const std::vector<ModelValue>& args,
                             ModelValue& result, ModelError& error) = nullptr;
    // The context drawing_function gets.
    void* drawing_context = nullptr;
};

enum : uint64_t { model_silent_statement_budget = 5000000 };

enum ModelRunOutcome { model_run_finished = 0, model_run_failed = 1, model_run_stopped = 2 };

// A variable marked by SAVE, as the run left it.
struct ModelSavedVariable {
    std::string name;  // in capitals
    uint8_t type = 0;
    double value = 0.0;  // numbers
    std::string text;    // strings
    uint16_t source_line = 0;  // line of its last assignment, 0 when none
};

struct ModelRunResult {
    ModelRunOutcome outcome = model_run_failed;
    unsigned last_line = 0;
    uint64_t statements = 0;
    std::vector<ModelSavedVariable> saved;  // finished runs of the main model only
};

// Translates and runs the program text of the slot (0 main, 1 second model).
ModelRunResult model_run(const char* text, size_t length, int slot, const ModelHost& host);

// The message line prefix of a line number: "%05u  ".
std::string model_line_prefix(unsigned line);

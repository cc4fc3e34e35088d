// The model language translator: reads the program text line by line,
// classifies each statement and builds the statement list, with IF/ELSE/
// ENDIF, FOR/NEXT and DO/LOOP linked to their partners. Expressions stay
// text here; the interpreter compiles them. A failed translation gives one
// message (with its line and detail lines) and no statement list.
//
// Lines: every CR LF, lone CR or lone LF ends one line and blank lines
// count, so line numbers are the editor's (model_split_lines is the one
// splitter of the model code).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Statement codes of the list.
enum : uint16_t {
    stmt_dim = 1,
    stmt_gosub = 2,
    stmt_goto = 3,
    stmt_return = 4,
    stmt_assign = 5,
    stmt_target = 6,
    stmt_if = 7,
    stmt_for = 8,
    stmt_next = 9,
    stmt_loop = 10,
    stmt_do = 11,
    stmt_print = 12,
    stmt_open = 13,
    stmt_close = 14,
    stmt_write = 15,
    stmt_input = 16,
    stmt_stop = 17,
    stmt_save = 18,
    stmt_endif = 19
};

enum : uint16_t {
    model_label_max = 49999,       // highest label a program may write
    model_synthetic_label = 50000  // first label given to an ENDIF by the translator
};
enum : int { model_name_max = 40 };  // characters of a declared name

// One declared variable (DIM or SAVE).
struct ModelDeclaration {
    std::string name;           // in capitals
    uint16_t id = 0;            // 1 and up, one per distinct name
    uint8_t type = 0;           // model_type_*
    uint8_t dims = 0;           // 0-4
    bool saved = false;         // SAVE
    uint16_t element_size = 8;  // 8 for numbers; the fixed length of a string, 0 for a free one
    int16_t lo[4] = {0, 0, 0, 0};
    int16_t hi[4] = {0, 0, 0, 0};
};

// Cache slot for what the interpreter compiles from a node's texts.
struct ModelCompiled {
    virtual ~ModelCompiled() = default;
};

struct StatementNode {
    uint16_t line = 0;    // line number of the statement's first line
    uint16_t label = 0;   // written label, synthetic label of an ENDIF, or 0
    uint16_t code = 0;    // stmt_*
    std::string text;     // expression, target, condition or call text
    std::string start, end, step;  // FOR
    bool has_step = false;
    uint16_t var_id = 0;  // FOR: the loop variable
    std::string var_name;
    uint16_t target = 0;  // GOTO, GOSUB: the label
    int jump = -1;        // GOTO made for ELSE: the node index of its ENDIF
    int partner = -1;     // FOR <-> NEXT, DO <-> LOOP
    int false_branch = -1;  // IF: where to go when false; -1 for the one-line form
    uint8_t loop_condition = 0;  // DO, LOOP: 0 none, 1 WHILE, 2 UNTIL
    ModelDeclaration decl;       // DIM, SAVE
    std::shared_ptr<ModelCompiled> compiled[3];
};

struct ModelProgram {
    std::vector<StatementNode> nodes;
    std::unordered_map<uint16_t, int> labels;  // label -> node index
    std::vector<std::string> names;            // declared names; index = id - 1
};

// What a failed translation or run reports.
struct ModelError {
    unsigned line = 0;
    std::string message;               // as stored, markers not expanded
    std::vector<std::string> details;  // detail lines, as shown
};

// Start and end (before its break) of every line of text.
struct ModelLine {
    size_t begin;
    size_t end;
};
std::vector<ModelLine> model_split_lines(const char* text, size_t length);

// Translates the program text of the slot (0 main model, 1 second model).
// Returns true and fills program, or false and fills error.
bool model_translate(const char* text, size_t length, int slot, ModelProgram& program,
                     ModelError& error);

// The first line after after_line (1-based numbering, 0 for the search from
// the top) whose text without blanks (tabs read as blanks) holds fragment
// without blanks; 0 when none.
unsigned model_find_line(const char* text, size_t length, unsigned after_line, const char* fragment);

// One line per node, for tests and the run log: "line label code ..." fields.
std::string model_dump_program(const ModelProgram& program);

// The model programs and saved variables of a drawing, as stored.
//
// Program chain of a slot (header +48 main model, +226 second model; table
// of model records): a head record of 18 bytes (key 0: step, byte 10, slot,
// text length) and one record per non-blank line (key = ordinal from 1, the
// line packed in mode 5, trailing blanks dropped).
//
// Saved variables (header +52): one ModelVariableRecord per variable that
// the main model saves (record_layouts.h); ids stay with a name as long as
// a run saves it.
//
// Every change builds the new chain first and only then switches the
// header to it and frees the old one, so a failed page write leaves the
// previous program or variables in place.
#pragma once
#include "model/model_interpreter.h"
#include "store/drawing_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum : int {
    model_head_size = 18,
    model_line_packed_max = 2038,    // packed bytes of one stored line
    model_text_max = 65535,          // bytes of a program text
    model_writeback_comment_limit = 64535,
    model_variable_record_max = 2044
};
constexpr double model_default_step = 0.5;

enum : uint16_t {
    model_variable_flag_rounding = 0x2000,
    model_variable_flag_edited = 0x4000,
    model_variable_flag_remeasured = 0x8000
};

// The working copy of a program head.
struct ModelHead {
    double step = model_default_step;
    uint8_t slot = 0;
    uint16_t text_length = 0;
};

// One saved variable as read from or written to its record.
struct ModelVariableInfo {
    uint32_t id = 0;
    uint8_t type = 0;
    uint16_t flags = 0;      // the bits above 12 (rounding, edited, remeasured)
    double step_or_copy = 0;  // +10
    double value = 0;         // +18
    std::string name;         // in capitals
    std::string text;         // strings
};

// The chain head field of a slot in the drawing header.
uint32_t model_program_head_offset(int slot);

// The program text of the slot, every stored line followed by CR LF; an
// empty text when the slot has none. The head is filled when given (the
// defaults when there is no program). False when the chain cannot be read
// (the store reported it).
bool model_program_load(DrawingFile* df, int slot, std::string& text, ModelHead* head);

// Stores text as the program of head.slot. A text over 65535 bytes or a
// line that does not pack into 2038 bytes is refused with a message (and
// the line in error->line); a failing page write leaves the previous
// program stored. Returns true on success.
bool model_program_store(DrawingFile* df, const ModelHead& head, const char* text, size_t length,
                         ModelError* error);

// Forgets the slot's program (the chain is freed, the head field cleared)
// and resets head to a new model of that slot.
void model_program_reset(DrawingFile* df, int slot, ModelHead* head);

// Builds a ModelVariableRecord; the name is packed in mode 3, a string's
// value in mode 5, cut so that the record keeps within 2044 bytes.
std::vector<uint8_t> model_variable_record_build(const ModelVariableInfo& v);
// Reads one record; false when it is not a well-formed variable record.
bool model_variable_record_read(const unsigned char* rec, ModelVariableInfo& v);
// Every stored variable of the drawing, in list order.
std::vector<ModelVariableInfo> model_variables_read(DrawingFile* df);

// The write-back of a value edited in the drawing (record bit 14) into the
// program line where the variable last got its value: the line becomes
// "NAME = value '<old comment or old line>". The record's copy, bit 14 and
// the live value are updated. Returns true when the text changed.
bool variable_writeback_line(std::string& text, ModelSavedVariable& live, ModelVariableInfo& record);

// Called for a stored variable that the run no longer saves.
struct ModelStoreHooks {
    void* context = nullptr;
    void (*unbind)(void* context, DrawingFile* df, uint32_t id) = nullptr;
};

// Stores the variables a finished run of the main model saved: ids of
// names already stored are kept, new names get the smallest free id,
// stored names no longer saved are unbound, edited values are written back
// into text. Returns false (nothing changed) when the store failed.
bool variables_store_after_run(DrawingFile* df, std::vector<ModelSavedVariable>& saved, std::string& text,
                               bool* text_changed, const ModelStoreHooks& hooks);

// Tools on the saved variables of the main model that the model properties
// dialog offers: the display text of a variable, the rounding flag of one or
// all of them, the variables generated from the dimensions of a view, the
// listing file's name. Also the text checks of importing and exporting a
// program file.
//
// Locking: the callers hold the document critical section.
#pragma once
#include "model/model_storage.h"
#include "store/drawing_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

// "NAME = value" (" =_" when the rounding flag is set): an integer as a whole
// number, a real by its magnitude, a string between double quotes; cut to
// size - 1 characters.
std::string variable_display_text(const ModelVariableInfo& v, size_t size = 260);

// Turns the rounding flag of the stored integer or real variable `id` on or
// off (id 0: of every stored integer or real variable). Off: the step field
// takes a copy of the current value; on: it takes step. Returns how many
// records changed.
int variables_set_rounding(DrawingFile* df, uint32_t id, bool on, double step);

// Variables from the dimensions of the projection at projection_ref that
// have none: each dimension gets a real variable named X!n, Y!n or D!n (by
// its direction mode, n its number) holding its nominal, and is bound to it.
// text gets the comment and SAVE lines and then one assignment per variable.
// Refused with a message (nothing made) when the result would exceed 65533
// bytes or nothing is unbound. Returns the number of variables made; -1 on a
// refusal, with message set.
int variables_from_dimensions(DrawingFile* df, RecordRef projection_ref, std::string& text, std::string* message);

// The listing file's name: the drawing file's name part with "-var.txt" in
// place of its extension.
std::string variable_listing_file_name(const std::string& drawing_name);

// Whether a file of file_size bytes may be appended to an editor text of
// text_length bytes (the program stays within 65535 bytes).
bool model_import_fits(size_t text_length, uint64_t file_size);

// An export file name: ".bas" in place of the extension unless the name
// already holds ".bas".
std::string model_export_file_name(const std::string& name);

// Every line break (CR LF, lone CR, lone LF) as CR LF, as an edit control
// shows lines.
std::string model_text_with_crlf(const std::string& text);

// Sheets of a drawing: the table of sheet formats, the sheet chain (adding,
// deleting, numbering) and the current-sheet copy kept in the header.
//
// Sheet sizes are millimetres on paper, width x height after rotation.  The
// sheet chain lives in table 10 (SheetRecord, store/record_layouts.h); the
// header holds the settings of the current sheet and every layout and print
// operation works on that copy.
#pragma once
#include <cstdint>
#include <vector>

#include "store/drawing_file.h"

enum : int {
    sheet_format_auto = 0,
    sheet_format_a0 = 1,
    sheet_format_a1 = 2,
    sheet_format_a2 = 3,
    sheet_format_a3 = 4,
    sheet_format_a4 = 5,
    sheet_format_user = 25,
    sheet_format_new = 26,   // list entry only, never stored
    sheet_format_count = 27
};

// Flags of SheetRecord +6.
enum : uint16_t {
    sheet_flag_rotated = 0x0001,
    sheet_flag_current = 0x0002,
    sheet_flag_page = 0x0004
};

// Sheet numbers are kept in 11 bits on projections: no sheet beyond this.
enum : uint32_t { sheet_number_max = 2047 };

// User formats are whole millimetres within this range.
enum : uint32_t { sheet_user_side_min = 1, sheet_user_side_max = 10000 };

// The entry of format code 0..26 in the format list ("" for another code).
const char* sheet_format_name(int code);

// Width and height in mm of format code with the rotated flag; code 25 reads
// the user size of df's header (0 x 0 without a drawing).  Codes outside the
// table, and 0, give 841 x 594.
void sheet_size_of(const DrawingFile* df, int code, int rotated, float* width, float* height);
// The same for the current drawing.
void sheet_size(int code, int rotated, float* width, float* height);

// Parses one side of a user format as the user typed it.  Returns the whole
// millimetres (fraction dropped) when the text is a number within
// sheet_user_side_min..max, else 0 (refused: empty, negative, huge, not a number).
uint32_t sheet_user_side_parse(const char* text);

// The smallest positive sheet number no SheetRecord of df uses.
uint32_t sheet_next_free_number_of(DrawingFile* df);
uint32_t sheet_next_free_number();

// Adds a sheet with the next free number and the header's current settings,
// not current.  Returns its number; 0 when refused (a message is shown:
// too many sheets, or the store failed).
uint32_t sheet_add(DrawingFile* df);

// Deletes the current sheet (header +104).  The previous sheet of the chain
// becomes current, or the next one when the current sheet is the first; its
// settings go to the header.  Refuses the only sheet with "Нельзя удалить
// единственный лист!".  Returns the new current sheet number, 0 when nothing
// changed.  Moving the projections of the deleted sheet is the caller's.
uint32_t sheet_delete_current(DrawingFile* df);

// Copies the header's current-sheet settings into the SheetRecord of the
// header's current sheet number (under the drawing's critical section).
void sheet_store_current_of(DrawingFile* df);
void sheet_store_current();

// Makes the header's current settings the record of sheet 1, flagged
// current, when df has no sheets; otherwise copies the record with the
// current bit (or the first record) into the header and flags it current.
void sheet_chain_open(DrawingFile* df);

// The sheets of df in chain order: number and flags.
struct SheetInfo {
    uint32_t number;
    uint16_t flags;
};
std::vector<SheetInfo> sheet_chain_list(DrawingFile* df);

// Makes sheet number the current sheet: the header's settings go back to
// the sheet that was current, every other sheet loses the current bit, and
// the sheet's settings come into the header.  0 when there is no such sheet.
int sheet_make_current(DrawingFile* df, uint32_t number);

// Copies one SheetRecord into the header's current-sheet fields.
void sheet_record_to_header(DrawingFile* df, const unsigned char* rec);

extern const char* const sheet_message_only_sheet;
extern const char* const sheet_message_no_user_size;
extern const char* const sheet_message_too_many;

// The format of a page sheet (a sheet made for a page projection) whose
// drawing extent is w x h sheet mm, for a title block of height tb_height:
// the first of A4, A3, A2, A1, A0 (unrotated) whose area (W - 25) x (H - 5 -
// tb_height) holds it at 0.01 mm; format code 0 with the A0 size when none
// does.  Returns 0 (no page sheet) for a page smaller than the A4 area less
// 20 mm both ways: it is small enough to be laid out on a drawing sheet.
int page_sheet_format(double w, double h, double tb_height, int* code, float* width, float* height);

// Makes format code (0..25) the current sheet's format: the code and the
// size (with the header's rotated bit) go to the header, the designation to
// title-block field 32 of the current sheet.  Code 25 needs a user size of
// two non-zero sides; without it the format falls back to 0 ("Авто") and
// "Не введены размеры формата" is shown.  Returns the code in force.
int sheet_select_format(DrawingFile* df, int code);

// Sets one side of the user format from the text of its edit (0: x, 1: y):
// stored in header +166 / +170 as sheet_user_side_parse reads it (0 when
// refused).  Returns the stored value.
uint32_t sheet_user_side_set(DrawingFile* df, int axis, const char* text);

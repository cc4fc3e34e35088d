// Title-block fields: the texts of a sheet's title block stored in the
// drawing (TitleBlockFieldRecord, table 8), for one sheet or common to all
// sheets, and the title-block kinds with their heights.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "store/drawing_file.h"

// Field numbers with a fixed meaning.
enum : uint32_t {
    title_field_scale = 6,
    title_field_sheet_no = 7,
    title_field_sheet_count = 8,
    title_field_format = 32,
    title_field_roughness = 65535
};

// Modes of the fill-in dialog: this sheet's fields, this sheet's falling
// back to the common ones, the common fields of all sheets.
enum : int {
    title_mode_this_sheet = 1170,
    title_mode_all_fields = 1171,
    title_mode_all_sheets = 1175
};

// A field text holds at most this many characters (CR LF counting two), and
// its packed form at most title_field_max_bytes; a longer text is refused
// whole, never stored cut.
enum : int { title_field_max_chars = 519, title_field_max_bytes = 520 };

enum : int { title_block_kind_count = 8 };

// The name of title-block kind 0..7 ("" for another).
const char* title_block_kind_name(int kind);
// The height in mm of kind 0..7; -1 for an unknown kind.
double title_block_height_of(int kind);
// The current title-block height in mm: 60 before any drawing, then that
// of the header's kind (an unknown kind keeps the previous value).
extern double title_block_height;
void title_block_height_update(const DrawingFile* df);

enum : int {
    title_store_ok = 0,
    title_store_too_long = 1,   // refused, the message is shown, nothing changed
    title_store_failed = 2      // the store failed (error_flag set)
};

// Stores or replaces field number's text.  The record belongs to sheet when
// the field is 32 or mode is 1170 or 1171, else it is common (sheet 0).  The
// records of that field with that sheet number are deleted first; an empty
// text only deletes.  CR and LF are stored as '\' and 'n'.
int title_block_field_store(DrawingFile* df, uint32_t field, const char* text, uint32_t sheet, int mode);

// The text of field for sheet: that sheet's record, else (with
// fall_back) the common one.  Empty when there is none.  Returns the
// number of lines (0 for an empty text); out gets the text with CR LF line breaks.
int title_block_field_text(DrawingFile* df, uint32_t field, uint32_t sheet, bool fall_back, std::string* out);

// Unpacks one stored record into buf (size >= 1): trailing blanks trimmed,
// "\n" turned into CR LF.  A null record gives an empty text.  Returns the
// number of lines.
int read_title_block_field(const unsigned char* record, char* buf, int size);

// A copy of the drawing's general roughness sign (the record of field
// 65535, whatever its sheet number); false when there is none or it is
// shorter than a roughness record's head.
bool title_block_roughness_record(DrawingFile* df, std::vector<unsigned char>* out);

// True when the drawing holds any title-block field record.
bool title_block_has_fields(DrawingFile* df);

extern const char* const title_message_too_long;

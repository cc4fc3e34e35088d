// Tolerance properties: the signs of a form or position tolerance frame,
// the frame text (sign part, value, datum letters), the cell widths, and the
// builder that re-stores a tolerance record with new texts.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "annotation/annotation_properties.h"

enum : int {
    tolerance_sign_combo = 1542,
    tolerance_sign_radio_first = 1551,  // 1551..1553
    tolerance_value_edit = 1029,
    tolerance_datum_edit = 1417,
    tolerance_stacked_check = 1653,
    tolerance_sign_count = 17
};
enum : uint16_t { tolerance_flag_stacked = 0x0200 };

// The characters (1 or 3) of sign code 0..16 and its hint; false for another code.
bool tolerance_sign_chars(int code, std::string* chars);
const char* tolerance_sign_hint(int code);

// The sign part of the frame text for the first `count` codes: empty without
// signs, else byte 64, "1", one character (three for code 14) per sign, 64.
std::string tolerance_sign_part(const uint8_t codes[3], int count);
// Drops the zero codes of the three sign bytes, keeping order; returns the
// number left.
int tolerance_signs_compact(uint8_t codes[3]);

struct ToleranceTexts {
    std::string signs, value, datums;
};
// Splits a frame text at the characters 24 and 26.
ToleranceTexts tolerance_split(const std::string& joined);
std::string tolerance_join(const ToleranceTexts& t);

struct ToleranceWidths {
    double sign_cell;
    double datum_offset;
    double total;
};
// Measures a text in the record's font: upright for the sign part.
using ToleranceMeasure = std::function<double(const std::string& text, bool upright)>;
// Cell widths for row height h and margin m (model units): sign cell
// max(signs + 2m, h) (none without signs), value cell max(value + 2m, 2h),
// datum cell datums + 2m + 2m per comma (none without datums).  Stacked:
// the widest single sign glyph, the widest value line and the widest datum
// line (2m per comma of the line with the most), lines split at "\n".
ToleranceWidths tolerance_cell_widths(const ToleranceTexts& t, double h, double m, bool stacked,
                                      const ToleranceMeasure& measure);
// The stacked widths on their own (min_value_width = 2h).
void tolerance_stacked_widths(const ToleranceTexts& t, double h, double min_value_width, double m,
                              const ToleranceMeasure& measure, double* sign_cell, double* datum_offset,
                              double* total);

// The record of `old` with the given parts (null keeps the stored one),
// its cells measured by `measure`; false with the refusal message when the
// joined text exceeds 255 characters or the record 2044 bytes.
bool tolerance_build(const uint8_t* old, const char* signs, const char* value, const char* datums, double h,
                     double m, const ToleranceMeasure& measure, RecordBytes* out, const char** refusal);

// Re-stores the tolerance record at *ref with new parts, measured in its
// font and height; a refusal shows "%ая длина текста!" and returns the
// unchanged record.  Null for another kind or a store failure.
unsigned char* build_tolerance_record(uint8_t* projection, RecordRef* ref, const char* signs, const char* value,
                                      const char* datums);
// After the sign of slot `slot` (0..2) became `code`: compacts the signs,
// writes their number into flags bits 6-8 and rebuilds the sign part.
// *slot_out gets the slot the radio buttons show next.
unsigned char* tolerance_signs_apply(uint8_t* projection, RecordRef* ref, int slot, int code, int* slot_out);

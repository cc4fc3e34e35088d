// Text fragment properties: replacing a fragment's text, its fixed sizes,
// alignment and direction buttons, frame edges, and whether closing the
// dialog removes an emptied fragment.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "annotation/annotation_properties.h"

enum : int {
    fragment_text_edit = 1341,
    fragment_width_edit = 1342,
    fragment_height_edit = 1343,
    fragment_fit_check = 1598,
    fragment_form_switch = 1673
};
enum : uint16_t { fragment_fixed_width = 0x4000, fragment_fixed_height = 0x8000 };

// The record of `old` with a new text, or false with "Слишком длинный
// текст" when 66 + packed length passes 2044.
bool text_fragment_build(const uint8_t* old, const std::string& text, RecordBytes* out, const char** refusal);
// Replaces the text of the fragment record (a pointer into the annotation
// buffer) in the projection's annotation chain: the re-stored record, the
// old one when refused (message shown), null for a null text or a store
// failure.  The whole text is packed whatever buffer_size says.
unsigned char* text_fragment_set_text(void* projection, unsigned char* record, const char* text,
                                      size_t buffer_size);

// The alignment / direction button 1354..1356 (direction 0) or 1678..1680
// (turned a quarter counter-clockwise): byte 7 and the direction double.
bool text_fragment_apply_alignment(uint8_t* rec, int control);
// The radio button that shows the record's alignment and direction.
int text_fragment_alignment_button(const uint8_t* rec);
// An edge check box: 1344, 1346, 1348, 1351 main line, 1345, 1347, 1350,
// 1352 thin line (the partner unchecked); unchecking clears the pair.
bool text_fragment_apply_edge(uint8_t* rec, int control, int checked);
// Whether an edge check box shows checked for the record.
bool text_fragment_edge_checked(const uint8_t* rec, int control);

// A typed fixed width (height): larger than the smallest allowed sets bit
// 14 (15) and moves the inner and outer far edges; otherwise (or not a
// number: NaN) bit 14 (15) is cleared.  Returns true when the size became
// fixed.  text_height: model units of the record's height index.
bool text_fragment_set_fixed_width(uint8_t* rec, double value);
bool text_fragment_set_fixed_height(uint8_t* rec, double value, double text_height);
double text_fragment_min_width(const uint8_t* rec);
double text_fragment_min_height(const uint8_t* rec, double text_height);
double text_fragment_inner_width(const uint8_t* rec);
double text_fragment_inner_height(const uint8_t* rec);

// Closing with "Да" or "Клон" removes a fragment whose text is empty and
// which draws no frame edge.
bool text_fragment_erase_on_close(const uint8_t* rec);

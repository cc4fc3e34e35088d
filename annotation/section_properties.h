// Section designation properties: the letters, the view side, the bend
// points, removing the last node, and the drawing box of a section line.
#pragma once
#include <cstdint>
#include <string>

#include "annotation/annotation_properties.h"
#include "geometry/geom_types.h"

enum : int {
    section_letters_edit = 1397,
    section_view_left = 1398,
    section_view_right = 1399,
    section_hide_bends = 1149,
    section_remove_last = 1401
};

// Packs the letters (trailing blanks removed) into the record's 4 letter
// bytes; what does not fit is dropped.
void section_set_letters(uint8_t* rec, const std::string& text);
// The letters the record holds (both packed words).
std::string section_letters_text(const uint8_t* rec);
// 1398 clears bit 6, 1399 sets it, 1149 sets or clears bit 7.
bool section_apply_control(uint8_t* rec, int control, int checked);
// The record without its last node (8 bytes shorter); false with one node.
bool section_without_last_node(const uint8_t* rec, RecordBytes* out);
// The box of the strokes, arrows and letters of a section designation.
int section_designation_bounds(const uint8_t* rec, Box* out);

// Dimension text properties: the label and dimension bits the dimension
// text dialog writes, and which of its controls are enabled.
#pragma once
#include <cstdint>

enum : int {
    dimtext_value_static = 1648,
    dimtext_before_edit = 1168,
    dimtext_after_edit = 1177,
    dimtext_under_edit = 1169,
    dimtext_hide_nominal = 1507,
    dimtext_mark_in_lists = 1596,
    dimtext_invisible = 1149,
    dimtext_nearest_points = 1661,
    dimtext_correct = 1646
};
enum : uint16_t {
    dimtext_label_invisible = 0x1000,   // label flags bit 12: copy of the dimension's bit
    dimtext_label_no_nominal = 0x2000,  // label flags bit 13
    dimtext_label_along_line = 0x0800,  // label flags bit 11
    dim_value_invisible = 0x0008,       // dimension word 36 bit 3
    dim_value_bit2 = 0x0004,            // dimension word 36 bit 2
    dim_state_marked = 0x0020,          // dimension word 38 bit 5
    dim_state_measured = 0x0040,        // dimension word 38 bit 6: shows its measured value
    dim_state_nearest = 0x0100,         // dimension word 38 bit 8
    dim_state_correct = 0x0400          // dimension word 38 bit 10
};

// Applies a check box to the label and its dimension in place; false for
// another control.  Making the dimension invisible clears its marking.
bool dimension_text_apply_check(uint8_t* label, uint8_t* dimension, int control, int checked);

struct DimensionTextControls {
    bool under_text;     // 1169: only a label on a shelf shows a text under it
    bool mark_in_lists;  // 1596
    bool nearest_points; // 1661
    bool correct;        // 1646
    bool shows_value;    // 1648 shows the measured value
};
DimensionTextControls dimension_text_controls(const uint8_t* label, const uint8_t* dimension);
// The check state each check box shows.
bool dimension_text_checked(const uint8_t* label, const uint8_t* dimension, int control);

#include <string>
#include <vector>

// The label of `old` with its four parts (before the nominal, the nominal,
// after it, under the shelf) as given (null keeps the stored part): joined
// as part 0, byte 24, part 1, byte 26, part 2 (24 only with a part 0, 26
// only with a part 2), byte 7 its length, flag bit 6 with a part 3 after
// it.  False with the refusal ("%ая длина обозначения номинала!") when the
// first text passes 255 characters or the record 2044 bytes.
bool dimension_label_with_parts(const uint8_t* old, const char* const parts[4], std::vector<uint8_t>* out,
                                const char** refusal);
// The four parts of a label.
void dimension_label_parts(const uint8_t* label, std::string parts[4]);

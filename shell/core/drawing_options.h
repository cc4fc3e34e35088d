// Drawing options: where each option of the drawing-option dialogs lives in
// the drawing header, the rules for the values typed into them, the
// arrowhead kinds offered, and the changes the dialogs' "for everything"
// buttons make to single dimension and point records.  Portable: works on
// header and record bytes only.
#pragma once
#include <cstddef>
#include <cstdint>

// Control ids of the drawing-option dialogs that map to stored options.
enum : int {
    option_point_numbers = 1778,
    option_continue_to_annotation = 1783,
    option_no_inner_extensions = 1513,
    option_no_fillet_crossings = 1654,
    option_rounding = 1970,
    option_replace_sketches = 1784,
    option_same_points = 1672,
    option_move_keep = 1645,
    option_move_change = 1028,
    option_move_free = 1860,
    option_fine_curves = 1673,
    option_auto_dimensions = 2101
};

// One check box of the dialogs: the header word (byte offset of a u16) and
// the bit it stands for; an inverted one is checked while the bit is clear.
struct OptionBit {
    int control;
    int word;
    uint16_t mask;
    bool inverted;
};
extern const OptionBit option_bits[];
extern const size_t option_bit_count;

// The entry of a check-box control, or null.
const OptionBit* option_bit_find(int control);
// 1 checked, 0 clear, -1 when the control has no stored bit.
int option_checked(const uint8_t* header, int control);
// Sets or clears the control's bit for the box's new state; false when the
// control has no stored bit.
bool option_set(uint8_t* header, int control, bool checked);

// "При перемещении точки:": the radio button in force (option_move_keep,
// option_move_change or option_move_free) and its storage in header word
// 112 bit 6 and word 114 bit 12.  A header with both bits set shows
// option_move_free.
int move_rule_get(const uint8_t* header);
bool move_rule_set(uint8_t* header, int control);

// The collation mode of tables: header word 110 bits 3-5, 0..2.
int collation_mode_get(const uint8_t* header);
void collation_mode_set(uint8_t* header, int mode);

// Rounding digits (header u16 164) typed into their field: a whole number
// 0..15 is stored, anything else refused (false, nothing changed).
bool rounding_digits_store(uint8_t* header, const char* text);

// The tolerated checkpoint waiting time: header byte 222 holds seconds - 1.
// A typed value of 1..256 seconds is stored; any other (0, negative, too
// large, not a number) is refused and false returned.
bool waiting_time_store(uint8_t* header, const char* text);
// The seconds shown (byte 222 + 1).
int waiting_time_seconds(const uint8_t* header);

// The text-height index kept by the settings: 0..9; anything else is taken
// as 3 (the 5 mm height).
int text_height_index_checked(int index);
// The spacing of dimension and annotation placement for a text height (sheet
// millimetres): 1.2 + height + 2.48.
double placement_spacing_for_height(double height);

// The defaults leaving the dialogs: the default arrowhead kind into header
// word 110 bits 12-15, the text-height index into header word 112 bits 0-3.
void option_defaults_store(uint8_t* header, int arrowhead_kind, int height_index);

// ---------------------------------------------------------------- arrowheads
// The kinds offered in the arrowhead boxes, in their order.
extern const int arrowhead_kinds[4];  // 0, 2, 3, 7
// The variant used on short dimensions: 0 gives 1, 7 gives 8, any other
// kind is returned unchanged.
int arrowhead_kind_substitute(int kind);

// Replaces the line ends of one dimension record (its u16 at 34, bits 8-11
// first end and 12-15 second end, drawn when bits 0 / 1 of the u16 at 36
// are set): `from` becomes `to` and the substitute of `from` the substitute
// of `to`.  When both ends are drawn, `from` is 2 or 3, `to` is neither and
// the dimension is short (`short_dimension`), both ends take the substitute
// of their new kind.  Returns true when the record changed; from == to
// changes nothing.
bool dimension_arrowheads_replace(uint8_t* dimension, int from, int to, bool short_dimension);
// Whether a dimension counts as short for the replacement: a length
// dimension (any kind but 3, the angle) whose nominal, turned into a model
// length of its projection (`view_length`), is at most `limit` (the model
// length of 20 sheet millimetres).
bool dimension_is_short(int kind, double view_length, double limit);

// "только до ближних точек" (bit 8 of the u16 at 38) of a dimension without a
// comparison sign (bits 8-10 of the u16 at 36 clear); returns true when the
// dimension qualifies (whether or not the bit changed).
bool dimension_nearest_points_set(uint8_t* dimension, bool on);

// Projections to rebuild after the curve precision changed: word 98 bit 10
// (no automatic construction) clear and a view kind other than 7 and 9.
// Marks it (bit 9) and returns true, or leaves it.
bool projection_mark_for_curve_change(uint8_t* projection);

// The sketch-library folder as it is kept: one '\' at the end (a drive root
// such as "C:\" already has it).  False for an empty folder or one that does
// not fit in size bytes with the '\' and the NUL.
bool library_folder_terminated(char* folder, size_t size);

// Element layers, contour properties and folds: the layer records of a
// projection (which layers are visible, the colour of each layer), moving
// marked elements to a layer, the line type and name an information dialog
// gives a contour, and the checks of a fold's widths.
//
// Layer records live in the projection's construction chain:
//   kind 37, 12 bytes: u16 length, u32 0, u8 37, u8 0, u16 visible-layer
//     mask (bit n = layer n), u16 0;
//   kind 39, 10 bytes: u16 length, u8 blue, green, red at 2..4, u8 0,
//     u8 39, u8 0, u16 layer (low 3 bits).
// The colour lies in the key field of the common head, so these records
// are looked up by kind and layer, never by key.
#pragma once
#include <cstdint>
#include <string>

#include "store/drawing_file.h"

enum : uint8_t { construction_layer_mask = 37, construction_layer_colour = 39 };
enum : uint16_t { layer_mask_all = 0x00FF };

// The stored visible-layer mask; `fallback` when the projection has none.
uint16_t layer_mask_read(DrawingFile* df, unsigned char* projection, uint16_t fallback);
// Stores the mask, creating the record when missing; false on a store
// failure.
bool layer_mask_store(DrawingFile* df, unsigned char* projection, uint16_t mask);
// The colour (0x00BBGGRR) of a layer; 0 (black) without a record.
uint32_t layer_colour_read(DrawingFile* df, unsigned char* projection, int layer);
// Stores a layer's colour: the record is updated, or created when the
// colour is not black.  False on a store failure.
bool layer_colour_store(DrawingFile* df, unsigned char* projection, int layer, uint32_t colour);
// Whether any element of the projection is on the layer.
bool layer_has_elements(DrawingFile* df, unsigned char* projection, int layer);
// Every marked element (all records of its number) goes to layer 0..7;
// returns the number of records changed.
int layer_assign_marked(DrawingFile* df, unsigned char* projection, int layer);
// Marks (on) or unmarks (off) every element of the layer; returns the
// records changed.
int layer_mark_elements(DrawingFile* df, unsigned char* projection, int layer, bool marked);
// Unmarks the marked elements whose layer the mask hides.
int layer_unmark_hidden(DrawingFile* df, unsigned char* projection, uint16_t mask);

// A colour typed into one of the red, green, blue fields: a negative value
// is made positive, anything above 255 becomes 255; no number gives 0.
int colour_component_typed(const char* text);

// The contour information dialog's fields of contour `number`: the line
// type given to lines inside an enclosing contour (flags bits 3-6) and the
// six-character name at +74.
enum { contour_name_offset = 74, contour_name_size = 6 };
bool contour_properties_read(DrawingFile* df, unsigned char* projection, uint32_t number, int* line_type,
                             std::string* name, int* kind);
// Whether another contour of the projection bears the name (blank names
// never clash).
bool contour_name_taken(DrawingFile* df, unsigned char* projection, uint32_t number, const std::string& name);
// Stores the line type (head chunk) and name; false when the contour is gone.
bool contour_properties_store(DrawingFile* df, unsigned char* projection, uint32_t number, int line_type,
                              const std::string& name);

// Fold contour fields (kind 6): widths at +54 and +58 (floats), bound
// model variables at +68 and +70, flags at +72.
enum {
    fold_width_start = 54,
    fold_width_end = 58,
    fold_variable_start = 68,
    fold_variable_end = 70,
    fold_flags_offset = 72
};
enum : uint16_t {
    fold_flag_opened = 0x0003,
    fold_flag_fixed = 0x0004,       // the widths are fixed: no checks
    fold_flag_start_left = 0x0008,
    fold_flag_end_left = 0x0010
};

// Why a fold cannot stand, checked when its dialog opens: 0 it can; else
// one of these (the fold is then deleted).
enum {
    fold_ok = 0,
    fold_not_one_line = 1,   // "Указателем складки может быть только одна прямая линия"
    fold_line_shared = 2,    // another fold uses the same line
    fold_point_shared = 3    // a member line sharing an end point is another fold's line
};
int fold_check_opening(DrawingFile* df, unsigned char* projection, uint32_t fold, uint32_t* line);
const char* fold_opening_message(int why);

// The width check on "Да" or closing: 0 fine, 1 both widths zero, 2 the
// difference of the widths exceeds the fold line's length.
int fold_check_widths(double start, double end, double line_length);

struct FoldFields {
    float start = 0, end = 0;
    uint16_t variable_start = 0, variable_end = 0;
    uint16_t flags = 0;
    std::string name;
};
bool fold_read(DrawingFile* df, unsigned char* projection, uint32_t fold, FoldFields* out);
bool fold_store(DrawingFile* df, unsigned char* projection, uint32_t fold, const FoldFields& in);
// Length of the fold's line (distance of its two end points), -1 when the
// fold has no line.
double fold_line_length(DrawingFile* df, unsigned char* projection, uint32_t fold);

// Hatching properties: the hatch kinds the dialog offers with their
// parameters, the shown and typed parameter values, the contour name, the
// search of a contour by name, and the window of eight kind buttons.
#pragma once
#include <cstdint>
#include <string>

#include "annotation/annotation_properties.h"

enum : int {
    hatch_param1_label = 1283,
    hatch_param1_edit = 1284,
    hatch_param2_edit = 1285,
    hatch_param2_label = 1286,
    hatch_name_edit = 1636,
    hatch_area_static = 1634,
    hatch_fragment_combo = 1100,
    hatch_scroll_bar = 1295,
    hatch_dialog_kinds = 14
};
// The eight kind buttons, for kinds start .. start + 7.
extern const int hatch_kind_buttons[8];

enum HatchParamKind { hatch_param_none = 0, hatch_param_angle, hatch_param_length };
struct HatchParamRule {
    HatchParamKind kind;
    const char* label;
    double fallback;  // radians or sheet millimetres
};
struct HatchKindRule {
    const char* hint;
    HatchParamRule params[2];
};
// Kinds 0..13; null for another code.
const HatchKindRule* hatch_kind_rule(int code);

// The value a parameter shows and is written back as: 0 without the
// parameter; an angle rounded down to whole degrees (stored as radians); a
// stored 0 (or a value that is not finite) replaced by the kind's default.
double hatch_param_shown(int code, int which, double stored);
// The text a parameter field shows for a value (degrees for an angle).
std::string hatch_param_text(int code, int which, double value);
// Reads a typed parameter: the absolute value of the number or angle;
// false (old value kept) for a kind without the parameter or a number
// that is not finite.
bool hatch_param_typed(int code, int which, const char* text, double* value);
// Writes a new kind into the record with both its defaults; false when the
// kind is the present one or unknown.
bool hatch_apply_kind(uint8_t* rec, int code);
// Writes the shown values of both parameters back into the record.
void hatch_params_normalise(uint8_t* rec);

// The name typed into 1636: the first 7 characters, trailing blanks
// removed, cut to 6, zero-filled.
void hatch_name_from_text(const char* text, uint8_t name[6]);
// Finds a hatching (in every projection except fragments, type 8) or a
// contour (in every projection, not a continuation record) whose name is
// the given six bytes.  Returns 1 when found; the hatching's projection
// and contour reference are given when asked for.
int find_contour_by_name(const uint8_t name[6], RecordRef* projection_out, RecordRef* contour_out);
// Where a contour record keeps its name.
enum : uint32_t { contour_name_offset = 68 };

// The new start of the window of eight kinds after a scroll request (the
// SB_* codes: 0 line left, 1 line right, 2 page left, 3 page right, 4 thumb
// position, 5 thumb track, 6 top, 7 bottom) with the thumb position.
int hatch_scroll(int start, int request, int thumb);
// The start a window of eight kinds can show (at most 6).
int hatch_window_start(int start);

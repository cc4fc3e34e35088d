// Hatch patterns: the table of the fourteen hatch kinds and their
// generators, which lay pattern pieces (segments and circles, or the
// elements of a fragment) over a contour's box one at a time, on a grid
// fixed to the projection's frame so that neighbouring hatchings line up.
//
// All lengths of a hatching are sheet millimetres; they pass through
// sheet_to_model_length before use.  A hatch angle a is laid along
// (cos a, -sin a).
#pragma once
#include "geometry/geom_types.h"

#include <cstddef>
#include <cstdint>

// A generator: anchor box (the projection's frame), range box (the hatch
// contour's box), state slot (null on the first call), the hatching record,
// and an element buffer of at least 2044 bytes for the piece.  Returns 1
// with a piece in the buffer, 0 at the end (state freed, slot null) or on a
// failure (error_flag set; the state is freed as well).
using HatchGenerator = int (*)(const Box* anchor, const Box* range, void** state, const uint8_t* hatching,
                               uint8_t* out);

enum : uint16_t { hatch_unit_length = 0, hatch_unit_angle = 3 };

struct HatchParameter {
    uint16_t unit;      // hatch_unit_angle: radians, shown in whole degrees
    const char* label;  // null: no such parameter
    float default_value;
};

struct HatchKind {
    uint8_t code;
    HatchGenerator generator;
    HatchParameter parameter1;  // hatching byte 26
    HatchParameter parameter2;  // hatching byte 30
    const char* name;
};

enum : int { hatch_kind_count = 14 };
extern HatchKind hatch_kinds[hatch_kind_count];

// Installs the generators into the table (start-up); harmless when repeated.
void hatch_kinds_install();
// The entry of a code, or null for a code outside the table.
const HatchKind* hatch_kind_by_code(int code);

// Element flags of generated pieces: line type 2 and bit 15, so that they
// never count as drawing elements.
enum : uint16_t { hatch_piece_segment_flags = 0x8021, hatch_piece_circle_flags = 0x8022 };

int hatch_gen_metals(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_nonmetals(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_wood(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_stone(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_ceramics(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_concrete(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_glass(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_liquid(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_ground(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_black(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_sand(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_backfill(const Box*, const Box*, void**, const uint8_t*, uint8_t*);
int hatch_gen_user(const Box*, const Box*, void**, const uint8_t*, uint8_t*);

// The line family: parallel lines at angle a (radians) and spacing s (sheet
// mm) on the grid of the anchor box, covering the range box; the first line
// has a grid index one above a multiple of period.  The state is a caller's
// slot as for a generator.  Returns 1 with the line in *out, 0 at the end or
// on a failure (zero spacing: the parameter message, error_flag 1).
int hatch_line_family(const Box* anchor, const Box* range, void** state, double a, double s, int period,
                      Segment* out);
// Frees a line-family state left behind by a caller that stopped early.
void hatch_line_family_free(void** state);
// Frees the state of any generator that stopped before its end.
void hatch_generator_free(void** state);

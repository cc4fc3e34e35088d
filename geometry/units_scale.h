// Units and scale: the drawing's length unit, the scale between model
// units and sheet millimetres, scale texts a:b and the start-up constants of
// dimension drawing.
#pragma once
#include "geometry/geom_types.h"
#include "geometry/text_numbers.h"
#include "geometry/kernel_angles.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"

#include <cstdint>

enum { LENGTH_UNIT_COUNT = 7 };
// Short names (cp1251 bytes) and millimetres per unit, by the unit index of
// the drawing header.
extern const char* const length_unit_names[LENGTH_UNIT_COUNT];
extern const double length_unit_mm[LENGTH_UNIT_COUNT];

// model_to_sheet_length / sheet_to_model_length live with the current-drawing
// accessor (kernel_context.h).

// "a" or "a:b" (each part at most 31 characters) -> a or a/b; 0.0 when a
// part is too long or a or b is 0.
double parse_scale_ratio(const char* text);

// A projection's own scale (double at byte 112 of its record), taken as 1
// when it is not finite, not above 0 or above 2500.
double projection_scale_checked(const uint8_t* projection);
// Nominal dimension value (in drawing units) to a model length of the
// projection: kinds 0, 1, 2, 4, 5, 6 are lengths; kind 3 and others unchanged.
double nominal_to_view_length(const uint8_t* projection, double value, int kind);

// Sheet-size constants of dimension and leader drawing, set once at start-up.
enum { DIMENSION_DRAWING_CONSTANT_COUNT = 12 };
extern double dimension_drawing_constants[DIMENSION_DRAWING_CONSTANT_COUNT];
void init_dimension_drawing_constants();

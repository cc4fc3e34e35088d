// The units, scale and grid dialog's rules: the text of a grid step, the
// scale a:b read from its title-block text and from the two scale fields,
// and the grid steps accepted.  Portable.
#pragma once
#include <cstddef>

// The largest part of a scale a:b.
enum { scale_part_max = 100000 };

// "%-14.8lf" of the step with trailing zeros stripped, or "нет" for 0.
// Returns the length of the text written into out (out_size bytes).
size_t format_grid_step(char* out, size_t out_size, double step);

// A scale part typed into a field (or read from the title block): the
// magnitude of the number, truncated to an integer; 0, an empty field or
// text that is no number gives 1, and the part is held to scale_part_max.
int scale_part_from_text(const char* text);
// The same for a number already read.
int scale_part_from_value(double value);

// The scale of a title-block field 6 text: "a:b" gives a and b; an empty
// text or one without ':' gives 1:1.  Each part as scale_part_from_value.
void scale_from_field(const char* text, int* a, int* b);

// A grid step typed into a field for a drawing measured in the given length
// unit (an index into length_unit_mm): the magnitude of the number.  0
// (no grid) is accepted; otherwise the step must lie between 0.01 mm and
// 100 m on the sheet's model, in drawing units.  False (nothing to store)
// for a step out of range or text that is no number.
bool grid_step_from_text(const char* text, int unit, double* step);

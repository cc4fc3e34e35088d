// Dimension value texts: comparison signs, angles in degrees, minutes and
// seconds, fit letters and limit deviations, model-variable values, and the
// one-line description of a dimension.  Texts are Windows-1251 bytes; the
// degree sign is 0xB0.
#pragma once
#include <cstddef>
#include <cstdint>

// Offsets in a DimensionRecord read here.
constexpr size_t dimension_nominal_offset = 14;     // double
constexpr size_t dimension_kind_offset = 34;        // low 5 bits
constexpr size_t dimension_flags36_offset = 36;     // bit 3: 0x86 mark
constexpr size_t dimension_comparison_offset = 37;  // bits 0-2
constexpr size_t dimension_flags38_offset = 38;     // bit 1 level sign, bit 5 0xB6, bit 6 0x88

// Offsets in a ModelVariableRecord.
constexpr size_t model_variable_type_offset = 6;    // u16: bits 0-4 type, bit 13 round to step
constexpr size_t model_variable_step_offset = 10;   // double
constexpr size_t model_variable_value_offset = 18;  // double

// 0 none, 1 "<", 2 "<=", 3 ">", 4 ">=", from the leading run of '<', '>',
// '=' and blanks.
int comparison_kind(const char* text);

// Radians from a text of degrees ('^' or 0xB0), minutes ("'") and seconds
// ('"'), or a plain number taken as radians.  A text holding "<н" gives 0.
// With kind given, the comparison signs are read into it first.  A leading
// '-' makes the whole angle negative, also when its degrees are 0.
double parse_angle(const char* text, int* kind);

// The letter part of a fit designation (two bytes, first in the low byte),
// or 0 when the text is a deviation.
uint16_t fit_letters_code(const char* text);
double parse_upper_deviation(const char* text);
double parse_lower_deviation(const char* text);
// "+0.1/-0.05", "+-0.02", the fit letters, or an empty text.  Returns the
// length written (out_size includes the terminator).
size_t format_limit_deviations(char* out, size_t out_size, uint16_t letters, double upper, double lower);

// The value of a model variable of type 1 (integer) or 2 (real), rounded to
// its step when bit 13 is set and the step is not 0.
double variable_numeric_value(const uint8_t* variable);

// The comparison sign and the value text of a dimension of the given kind
// (3: an angle in radians).  Returns the length of the value text written
// after the comparison sign.  out_size includes the terminator.
size_t format_dimension_value(char* out, size_t out_size, double value, int kind, int comparison);

// Level-mark and prefixed texts with a decimal comma: returns the comma in
// out, or null.
char* format_signed_dimension_text(char* out, size_t out_size, char prefix, const char* value_text,
                                   const uint8_t* dimension);

// "<value> <kind letter> <marks>" of a dimension record.
void describe_dimension(char* out, size_t out_size, const uint8_t* dimension);

// Model variables in drawn texts: a variable's name between "{" and "}" is
// replaced by its value (a number, or the text of a string variable).
#pragma once

struct DrawingFile;

// The value being handed out, character by character.
extern char text_variable_value[2048];
extern int text_variable_read;        // next character of the value
extern int text_variable_delivering;  // a value is being handed out

// One step of substitution at text[index] ("{" or a reference whose value
// is being delivered):
//  - a reference that names a variable of the drawing (upper-cased, compared
//    packed): each call gives the next character of its value and returns
//    `index` again; when the value is exhausted, *out = NUL and the result is
//    the index just after the "}";
//  - anything else (no "}", a name of 256 characters or more, no such
//    variable, no drawing): *out = "{" and the result is index + 1, so the
//    "{" is an ordinary character.
int next_variable_char(DrawingFile* drawing, const char* text, int index, char* out);

// A new heap text with every reference replaced by its value; a plain copy
// when `enable` is set and the drawing shows variable names.  Null when out
// of memory.  The caller frees it (free).
char* expand_text_variables(DrawingFile* drawing, const char* text, int enable);

// The current drawing, or null; and whether it shows variable names (its
// references are then drawn as typed).
DrawingFile* text_variables_drawing();
bool text_variables_shown_as_names(DrawingFile* drawing);

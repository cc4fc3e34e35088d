// Dimension input: the state of the one dimension being entered or edited
// at the dimension stage, what a click on a reference point does to it and
// its commit. The panel holds one DimensionInput and passes the drawing,
// the projection record and its hooks; nothing here touches a window.
#pragma once
#include "stages/dimensions/dimension_edit.h"

#include <functional>
#include <string>

struct DimensionInputHooks {
    std::function<void(const char* text)> message;   // a program message box
    std::function<void(const char* text)> prompt;    // the prompt line
    std::function<void()> checkpoint;                // automatic checkpoint (before a change)
};

struct DimensionInput {
    uint32_t number = 0;          // the dimension being entered or edited (0 none)
    uint32_t projection = 0;      // its projection's number
    DimensionParams params;       // kind, mode, options of a new dimension
    int role = 0;                 // 0 none, LINK_FIRST, LINK_SECOND, LINK_CENTRE
    int axis_step = 0;            // axis entry: 0 not active, 1 first point, 2 second point
    uint32_t axis_projection = 0; // projection of the first axis point
    std::string nominal_text;     // the nominal field
    uint32_t variable = 0;        // the model variable chosen as the nominal (0 none)
    bool variable_value_set = false;  // variable_value holds the chosen variable's value
    double variable_value = 0;
    bool nominal_typed = false;   // the user typed the nominal (not proposed by measuring)
    int prefix = 0;               // prefix sign code
    bool keep_error_mark = false;
    uint16_t error_mark = 0;      // the record's error mark when it was opened
};

// Clears the input (a new dimension with the same kind, mode and options).
void reset_dimension_input(DimensionInput& in);
// Chooses the direction mode; modes 2-4 start the axis entry.
void dimension_input_set_mode(DimensionInput& in, int mode, const DimensionInputHooks& h);

// Results of dimension_input_point.
enum {
    INPUT_NOTHING = 0,      // nothing changed
    INPUT_AXIS_POINT,       // an axis point was taken
    INPUT_LINKED,           // the point was linked (the dimension may be new)
    INPUT_REFUSED           // a message was shown
};
// A click on the reference point (a copy of its PointRecord) of the
// projection numbered projection_number: axis entry, else a link with the
// current role (creating the dimension at its first point). show_only: the
// panel's for-show-only option.
int dimension_input_point(DimensionInput& in, DrawingFile* df, unsigned char* projection, uint32_t projection_number,
                          const unsigned char* point, const DimensionInputHooks& h);

// Commits the dimension being entered: the nominal from the text, the
// comparison, the label, the comment, the options. Returns 1 on success
// (the input is cleared), 0 when refused with a message (the input stays).
int dimension_input_commit(DimensionInput& in, DrawingFile* df, unsigned char* projection, const DimensionInputHooks& h);

// Opens an existing dimension for editing: its number, kind, mode,
// options and nominal text. False when it is missing.
bool dimension_input_open(DimensionInput& in, DrawingFile* df, unsigned char* projection, uint32_t dimension);

// Deletes the dimension being edited (checkpoint first). Returns 1 when
// deleted, 0 when nothing was open.
int dimension_input_delete(DimensionInput& in, DrawingFile* df, unsigned char* projection, const DimensionInputHooks& h);

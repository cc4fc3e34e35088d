// Dimension editing: creating a dimension with its label and links,
// deleting it with everything that hangs on it, the points' dimensioning
// state, the link directions, reading a typed nominal, rebuilding a label
// and the line of the dimension list.
//
// Every function works on the drawing under the caller's lock, with a
// projection record the caller holds (a copy or a buffer record); chain
// heads that change are written into that record, so the caller writes it
// back. The caller makes the checkpoint before a change: a checkpoint
// reopens the drawing, and no record pointer here outlives one store call.
// Nothing here keeps process-wide input state: the parameters of a new
// dimension come in a block (DimensionParams).
#pragma once
#include "store/drawing_file.h"

#include <cstdint>
#include <string>
#include <vector>

// What a new dimension is made of.
struct DimensionParams {
    int kind = 0;              // 0-6
    int mode = 0;              // direction mode 0-4
    uint32_t axis[2] = {0, 0}; // axis points (modes 2-4)
    double nominal = 0;        // drawing units, radians for angles
    int comparison = 0;        // 0 exact, 1 "<", 2 "<=", 3 ">", 4 ">="
    bool shaft = true;         // limit deviations as for a shaft
    bool show_only = false;    // "Размер только для показа"
    bool not_shown = false;    // not shown on the drawing
    bool level_side = false;   // level dimensions: the other side
    int end_style = 1;         // line-end style of both ends (drawing style)
    int font_index = 0;        // label font size index
};

// Roles of a link as stored (link word +24 bits 0-1).
enum { LINK_FIRST = 1, LINK_SECOND = 2, LINK_CENTRE = 3 };

// Creates the dimension: the next number of the drawing's dimension
// counter, the 60-byte label in the annotation chain and the 100-byte
// record in the dimension chain. Returns the number, 0 on a store failure.
uint32_t dimension_create(DrawingFile* df, unsigned char* projection, const DimensionParams& p);

// Appends a link of the point to the dimension with the role, the next
// link number and the direction of the dimension's mode (the axis
// direction for modes 2-4). Sets the value word's role bit. Returns the
// link number, 0 when the dimension is missing or the store failed.
uint32_t dimension_link_add(DrawingFile* df, unsigned char* projection, uint32_t dimension, uint32_t point, int role);

// The roles (LINK_*) the point has in the dimension, as a bit set 1 << role.
unsigned dimension_point_roles(DrawingFile* df, unsigned char* projection, uint32_t dimension, uint32_t point);
// The dimensions linked to the point, in link-chain order, each once.
std::vector<uint32_t> point_dimensions(DrawingFile* df, unsigned char* projection, uint32_t point);
// Number of links of the dimension with the role.
int dimension_role_count(DrawingFile* df, unsigned char* projection, uint32_t dimension, int role);

// Recomputes and stores the point's dimensioning state (point flag bits
// 0-1) from its links that are not for show only: 0 none, 1 one direction,
// 2 two or more directions. Returns the state, -1 when the point is missing.
int point_dimension_state(DrawingFile* df, unsigned char* projection, uint32_t point);

// The axis direction of a dimension of mode 2-4 from its axis points'
// sketch positions (minus pi/2 for modes 3 and 4), normalised. False when
// an axis point is missing or both coincide.
bool dimension_axis_direction(DrawingFile* df, unsigned char* projection, const unsigned char* dimension, double* a);

// Stores every link's direction for the dimension's kind and mode:
// mode 0 -> 0, mode 1 -> -pi/2, modes 2-4 the axis direction; radial
// first ends the direction from the point to the centre, angular ends that
// plus pi/2.
void update_link_directions(DrawingFile* df, unsigned char* projection, uint32_t dimension);

// The value the dimension has on its points' sketch (use_true: true)
// positions, in drawing units (radians for angles). False when it cannot
// be measured.
bool measure_dimension(DrawingFile* df, unsigned char* projection, uint32_t dimension, bool use_true, double* value);

// Deletes the dimension: its roughness signs, its label, every link and
// the record; recomputes the linked points' states and marks the
// projection for construction. False when the dimension is missing.
bool dimension_delete(DrawingFile* df, unsigned char* projection, uint32_t dimension);

// After a support point changed: the roles the dimension's links still
// have must match its value word's bits 0-2 (a diameter needs a second end
// or a centre); then only the error mark is set, else the dimension is
// deleted. Returns 1 when kept, 0 when deleted, -1 when missing.
int recheck_dimension_links(DrawingFile* df, unsigned char* projection, uint32_t dimension);

// A nominal as typed in the nominal field.
struct NominalText {
    double value = 0;
    int comparison = 0;
    std::string comment;      // what follows "**", at most 260 characters
    bool empty = true;        // nothing but blanks (or the placeholder)
    bool valid = false;       // the number part reads as a number
};
// Reads the text: the comment after "**", a variable name in braces cut
// off, the comparison sign, the number with a decimal comma or point; for
// angles (kind 3) degree ('^' or the degree sign), minute and second marks,
// a plain number there being degrees. At most 62 characters of the number
// part are read.
NominalText parse_nominal_text(const char* text, int kind);

// Rebuilds the label's value part from the record's nominal, kind,
// comparison and the prefix sign, keeping its other parts and head. A
// missing label is made new. Returns 1 on success, 0 when the texts would
// be too long (the old label stays), -1 when the dimension is missing.
int rebuild_dimension_text(DrawingFile* df, unsigned char* projection, uint32_t dimension, int prefix);
// The prefix sign kept in the dimension's label, 0 when none.
int dimension_label_prefix_code(DrawingFile* df, unsigned char* projection, uint32_t dimension);

// Stores a comment on the record (98 + packed length with state bit 9, or
// 100 bytes without a comment), rewriting it in place so that it keeps its
// place in the chain. False when the dimension is missing.
bool dimension_set_comment(DrawingFile* df, unsigned char* projection, uint32_t dimension, const std::string& comment);
// The stored comment; empty when state bit 9 is clear or the stored length
// runs past the record.
std::string dimension_comment_text(const unsigned char* record);

// The line of a dimension in the dimension list: the description, the
// variable name in braces when given, " **" and the comment when stored.
std::string dimension_list_line(const unsigned char* record, const char* variable_name);

// Marks the projection for construction (+98 bit 9 set, bit 12 clear).
void projection_mark_for_construction(unsigned char* projection);

// A copy of the dimension record with the number, empty when missing.
std::vector<uint8_t> dimension_record_copy(DrawingFile* df, unsigned char* projection, uint32_t dimension);
// Writes the fixed 100-byte head of a copy back over the record (same
// number); the comment part is left as it is.
bool dimension_record_update(DrawingFile* df, unsigned char* projection, const std::vector<uint8_t>& copy);

// Graphic element records: the kinds with their names and point counts, the
// nine line types and the rules that tie them to kinds, the walk over the
// elements that use a reference point, and the storing of a new element.
//
// Stored layout (offsets in store/record_layouts.h, element_*): a 14-byte
// head {u16 length, u32 number, u16 level, u16 fragment, u16 flags,
// u16 options}, then by kind:
//   1 line, 2 circle, 8 view break: two point numbers at 14/18, coordinates
//     from 22 (54 bytes; a break also has its contour at 54, gap at 66: 74);
//   3, 4 arcs, 6 wavy line, 10 ellipse: three numbers, coordinates from 26
//     (74 bytes);
//   9 elliptic arc: five numbers, coordinates from 34 (114 bytes);
//   12 Bezier spline: four numbers, {start, end, c1, c2} from 30 (94 bytes);
//   5 curve: u16 count n at 14, n vertices of 36 bytes from 16; user curves
//     are 36 n long (no through point on the last vertex), generated images
//     16 + 36 n: readers accept both;
//   11 conventional image: u16 code at 14, u16 count n at 16, n items of
//     20 bytes {u32 point, double x, double y} from 18 (18 + 20 n bytes).
#pragma once
#include <cstdint>
#include <functional>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"

// Option bits named after what the image stage uses them for (the generic
// names in record_layouts.h stay for the older readers).
enum : uint16_t {
    element_opt_fillet_construction = 0x0004,  // construction line of a fillet
    element_opt_bar_centre = 0x0020,           // centre element of a bar
    element_opt_length_fixed = 0x0080,         // kind 5: length not changeable
    element_opt_three_point = 0x0100,          // kind 5: three-point smoothing
    element_opt_display_marks = 0x0E00         // shared by the records of one number
};

// Name of an element kind; kinds 0 and above 12 give "элемент графики".
const char* element_kind_name(int kind);

// The line-type selector: position -> code (the names are the rendering's
// line_type_name, each with one leading blank).
enum { line_type_count = 9 };
extern const int line_type_codes[line_type_count];
// Position of a code in the selector, -1 when it is not listed.
int line_type_position(int code);
// The code a kind really gets when `code` is asked for: a wavy line never
// above 2, a view break never 7 (it gets 2), a conventional image always 1.
int line_type_for_kind(int kind, int code);

// The current line type of the image stage (program-wide, 1 when the image
// panel opens).
extern int current_line_type;
// Name of the current type; an unlisted code is reset to 1 first.
const char* current_line_type_name();

// Point numbers of a record of a fixed-layout kind: *numbers points at +14
// (u32 each, unaligned); returns 2 (kinds 1, 2, 8), 3 (3, 4, 6, 10), 4 (12),
// 5 (9), and 0 for kinds 0, 5, 7, 11 and every other value.
int element_point_numbers(const unsigned char* rec, const unsigned char** numbers);
// Byte offset of the first stored coordinate pair of a fixed-layout kind,
// 0 for the others.
uint32_t element_coords_offset(int kind);
// The stored length a record of this kind must have (fixed kinds), 0 for
// kinds 5 and 11 (their counts decide) and unknown kinds.
uint32_t element_fixed_length(int kind);
// Whether the record's length agrees with its kind and counts (a curve of
// n vertices 36 n or 16 + 36 n; an image 18 + 20 n with n >= 1).
bool element_record_valid(const unsigned char* rec);

// Vertex i of a curve record; the last vertex of a user curve (36 n bytes)
// has no through point stored: its point stands for it.
CurveVertex element_curve_vertex(const unsigned char* rec, int i);

// Every (point number, coordinate offset) of a record: the fixed kinds,
// the vertices of a curve and the items of an image.  Returns the count
// written (at most max).
struct ElementPointPlace {
    uint32_t number;
    uint32_t coords;  // offset of the stored x (y follows)
};
int element_point_places(const unsigned char* rec, ElementPointPlace* out, int max);

// The next element after *cursor (0: from the head) of kind 1, 2, 3, 4, 5
// or 11 that uses point `number`; generated records are included.  Moves
// *cursor to it and sets *index (may be null) to the point's place in the
// element; at the end clears *cursor and returns null.  The record pointer
// lives in the element page buffer.
unsigned char* primitive_element_next_using_point(DrawingFile* df, unsigned char* projection, uint32_t number,
                                                  RecordRef* cursor, int* index);

// What storing an element needs of its surroundings.
struct ElementStoreHooks {
    // Automatic checkpoint before the change; returns the projection record
    // to use afterwards (a checkpoint reopens the file), null to give up.
    std::function<unsigned char*(unsigned char* projection)> checkpoint;
    // Automatic dimensioning of the projection from its origin point, run
    // when the drawing asks for it (header byte 114 bit 4).
    std::function<void(unsigned char* projection)> auto_dimensions;
};

// Stores the element image rec (its length and kind set): checkpoint, a new
// element number, the record added to the projection's element chain, and
// the automatic dimensioning when the drawing asks for it.  *projection is
// replaced by the checkpoint's answer.  Returns the stored record's
// reference, or 0 (error_flag set, or no number left: the number is given
// back).
RecordRef element_store(DrawingFile* df, unsigned char** projection, unsigned char* rec,
                        const ElementStoreHooks& hooks);

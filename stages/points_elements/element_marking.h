// Marking graphic elements at the image stage: the element under a click,
// the mark shared by every record of one element number (its curve image,
// its source, its pieces), whole contours and fragments marked together,
// the rubber band, and the list of marked elements the panel shows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// The nearest element to model point p within `reach` (model units) whose
// layer is visible (layer 0 always, else its bit in visible_layers).
// Selectable: lines and breaks, circles, arcs, curves (piece by piece,
// which also finds the curve images of ellipses, wavy lines and splines)
// and conventional images (by their points).  Records hidden by screening,
// inside screening pieces and deleted records are passed over.  Returns
// the element number, 0 when none.
uint32_t element_hit_test(DrawingFile* df, unsigned char* projection, Point2 p, double reach,
                          uint16_t visible_layers);

// Sets or clears the mark of every record of element `number`; returns the
// number of records changed.
int element_number_set_mark(DrawingFile* df, unsigned char* projection, uint32_t number, bool marked);
// Whether a record of the number is marked.
bool element_number_marked(DrawingFile* df, unsigned char* projection, uint32_t number);
// Clears every mark of the projection; returns the records changed.
int elements_unmark_all(DrawingFile* df, unsigned char* projection);

// What a marking click did, for the prompt and the panel.
struct MarkOutcome {
    bool marked = false;          // the clicked element is marked now
    uint32_t contour = 0;         // its whole contour was marked: the number
    int contour_kind = 0;
    int contour_level = 0;
    double contour_length = 0;
    uint16_t fragment = 0;        // its whole fragment was marked: the number
};

// A click on element `number` in the marking state: its mark is toggled.
// With `single` (Shift held) only its own records change.  Otherwise the
// marks of the projection are cleared first when it is a contour member or
// part of a fragment; a marked member brings every member of its
// innermost contour with it, a marked fragment element every element of its
// fragment.  A member flag that no contour backs is dropped, with the mark.
MarkOutcome element_mark_click(DrawingFile* df, unsigned char* projection, uint32_t number, bool single);
// The same with the new state given: element `number` becomes marked or
// unmarked (a pick by the pick marker, whose paint already turned the
// clicked record's own mark).
MarkOutcome element_mark_set(DrawingFile* df, unsigned char* projection, uint32_t number, bool marked, bool single);

// The rubber band: marks every selectable element whose layer is visible
// and that a side of the box crosses, or whose first stored point lies in
// the box (lines, breaks, circles, arcs and curves); each is marked as by
// element_mark_click without clearing (its contour or fragment comes with
// it unless single).  Returns the number of elements marked by the band.
int elements_mark_in_box(DrawingFile* df, unsigned char* projection, Box box, uint16_t visible_layers, bool single);

// One line of the marked-element list.
struct MarkedLine {
    uint32_t number;
    std::string text;  // "%lu %s - %s": number, kind name, line-type name
};
// The marked elements, once per number, curve images and screening pieces
// left out (their source or their whole element stands for them).
std::vector<MarkedLine> marked_element_lines(DrawingFile* df, unsigned char* projection);

// Whether a marked element is a contour member / part of a fragment (the
// two delete buttons of the panel follow these).
bool marked_contour_member(DrawingFile* df, unsigned char* projection, uint32_t* innermost);
bool marked_fragment_element(DrawingFile* df, unsigned char* projection);

// The next-level command: marks the elements of odd level `level`, or the
// members of the contour of even level `level`; returns the number of
// records marked (0: nothing of that level).
int mark_level(DrawingFile* df, unsigned char* projection, int level, uint32_t* contour);

// The current line type given to the marked elements (each record of
// their numbers, by the kind rules: a wavy line never above 2, a view
// break never 7, an image always 1); they lose their mark.  Returns the
// number of records whose type changed.
int marked_apply_line_type(DrawingFile* df, unsigned char* projection, int code);

// Deletes every contour except hatch contours, with the view breaks that
// rest on them (their numbers given back) and the screening pieces; the
// other elements go back to level 0 and lose their mark, member and
// screened flags; records awaiting the purge are left alone.  The highest
// level becomes 0 and the break flag (word +98 bit 13) is cleared.
// Returns the number of contours deleted.
int contours_delete_all(DrawingFile* df, unsigned char* projection);

// Moving annotation elements and dimension lines: one step of a drag with
// the move tool, by record kind (with the rule for records bound to a
// reference point) and by dimension-line shape; and the binding made when
// the button is released with Alt over a reference point.
#pragma once
#include <cstdint>

#include "annotation/annotation_tools.h"
#include "geometry/geom_types.h"

enum AnnotationMoveResult {
    annotation_move_done = 0,
    annotation_move_refused_bound,  // bound record moved without Ctrl: the move ends
    annotation_move_label_orphan,   // a label whose dimension is gone: deleted
    annotation_move_failed          // nothing selected, unusable record or layout failure
};

extern const char* const move_bound_prompt;       // "Чтобы сдвинуть элемент ..."
extern const char* const move_label_orphan_text;  // "Недопустимые данные ..."

// The point binding field of a kind (hatching +10, leader and text +14,
// section +10); 0 for kinds that have none.
uint32_t annotation_binding_offset(int kind);

// The reference corner from which a pick measures its grab offset: text
// the lower left corner, tolerance the frame's left x and top y, leader the
// upper text position, section the grabbed node, hatching the seed point.
Point2 annotation_reference_corner(const uint8_t* rec, int node);
// The index of the section node nearest to (x, y).
int section_nearest_node(const uint8_t* rec, double x, double y);

// One step of the move of a record held in memory (kinds 2, 3, 4 and the
// tolerance frame's position).  Leaders, signs and labels need the chain
// and go through move_selected_annotation.
AnnotationMoveResult move_record_step(uint8_t* rec, const AnnotationStage& s, double x, double y, bool ctrl);

// One step of the move of the selected annotation record in the
// projection's annotation chain.  `*hint_mode` gets the Ctrl hint mode to
// show (0 none, 1 Ctrl frees a binding).
AnnotationMoveResult move_selected_annotation(uint8_t* projection, AnnotationStage* s, double x, double y, bool ctrl,
                                              int* hint_mode);

// The binding on release: with a point (has_point) the record takes its
// number and is moved so that its reference point lies on it (leader: the
// arrow end; text: the upper left corner; section: the first node;
// hatching: the seed).  Without a point a text loses its binding, the
// other kinds keep theirs.  False for a kind without binding.
bool bind_annotation_on_release(uint8_t* rec, bool has_point, uint32_t point, Point2 at);

// ---------------------------------------------------------------- dimension lines
// One drag step of a straight dimension line without Ctrl (or with Ctrl
// when its extension lines have length): parallel to itself through the
// mouse, each end on the perpendicular through its extension-line start.
void dimension_line_parallel_step(uint8_t* dim, double x, double y);
// With Ctrl on a line without extension lines: the ends keep the offsets
// from the mouse taken at the first step.
void dimension_line_free_step(uint8_t* dim, AnnotationStage* s, double x, double y);
// An arc dimension line: the radius follows the mouse; nearer than 12 mm
// (sheet) to the centre it passes to the opposite side at 13.2 mm and stays
// there while the mouse is within 12 mm.  True when it flipped in this step
// (the cursor is then put on it).
bool dimension_arc_step(uint8_t* dim, AnnotationStage* s, double x, double y);
// The point the cursor is put on after an arc flipped: the middle of the
// dimension arc (its first end when the ends stand opposite each other).
Point2 dimension_arc_cursor_point(const uint8_t* dim);
// One step on the dimension record by its line shape (value bits 4-7),
// then value bit 11 set and bit 15 cleared.  `*hint_mode`: 2 free, 3
// parallel with Ctrl, 0 otherwise.  `*flipped` (when given) tells whether
// an arc passed through its centre in this step.  False for another shape.
bool dimension_drag_step(uint8_t* dim, AnnotationStage* s, double x, double y, bool ctrl, int* hint_mode,
                         bool* flipped = nullptr);

// ---------------------------------------------------------------- dimensions in the store
// The shown dimension of the projection whose dimension line passes
// nearest to (x, y) within `slack`: its reference and the end of the line
// nearer to the point (1, 2).  False when none is that near.
bool pick_dimension_line(uint8_t* projection, double x, double y, double slack, RecordRef* ref, uint8_t* end);
// One drag step of the dimension at ref (a straight line parallel, or
// free with Ctrl; an arc through the centre), then its label laid out
// again and its roughness signs kept on their extension lines.  When an
// arc passed through its centre, *cursor_to (when given) gets the point the
// cursor is to be put on and *flipped is set.  False when the dimension is
// gone or its line cannot be dragged.
bool move_selected_dimension(uint8_t* projection, RecordRef ref, AnnotationStage* s, double x, double y, bool ctrl,
                             int* hint_mode, bool* flipped = nullptr, Point2* cursor_to = nullptr);
// The arrowhead kind (0..10) on end 1 or 2 of the dimension at ref: the
// kind word's line-end bits; the line counts as placed by hand (value bit
// 11); a level dimension's label is placed automatically again (bit 15
// cleared).  Returns its number (0: nothing changed).
uint32_t apply_dimension_arrowhead(uint8_t* projection, RecordRef ref, int end, int kind);

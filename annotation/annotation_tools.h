// Annotation tools: the stage-wide selection state of the annotation stage
// and the record-building halves of the placing tools (leader, text
// fragment, section designation, tolerance frame), given the click in
// drawing units.  The window side (cursor, cross-hair, repaint) calls them.
#pragma once
#include <cstdint>
#include <string>

#include "annotation/annotation_properties.h"

// Tool control ids of the stage panel.
enum : int {
    annotation_tool_move = 1156,
    annotation_tool_arrowheads = 1157,
    annotation_tool_roughness = 1033,
    annotation_tool_tolerance = 1029,
    annotation_tool_leader = 1160,
    annotation_tool_hatching = 1162,
    annotation_tool_text = 1164,
    annotation_tool_section = 1165
};

struct AnnotationStage {
    int tool = annotation_tool_move;
    int arrowhead_kind = 0;
    RecordRef selected_annotation_ref = 0;
    RecordRef selected_dimension_ref = 0;
    RecordRef picked_element_ref = 0;
    uint8_t picked_dimension_end = 0;
    int picked_dimension_part = 0;
    RecordRef clone_source = 0;
    bool crosshair_active = false;
    double grab_dx = 0, grab_dy = 0;  // pick point less the record's reference corner
    uint8_t grabbed_node = 0;
    // Drag memory, reset at button down.
    bool free_offsets_taken = false;
    double free_offset[2][2] = {{0, 0}, {0, 0}};
    bool arc_passed_centre = false;
    bool turned_this_drag = false;
};
extern AnnotationStage annotation_stage;
// Back to the state of a freshly opened panel.
void annotation_stage_reset(AnnotationStage* s);
// Forgets the drag memory (at every button down).
void annotation_drag_reset(AnnotationStage* s);

// ---------------------------------------------------------------- builders
// A new 68-byte leader at the click: end kind 3, slanted, the default
// height; first and second point and the upper text position h/2 left of
// the click, the third point h/2 right (h: 1.2 mm on the sheet).
RecordBytes build_new_leader(double x, double y);
// A new text fragment with `text` (one line or several) whose upper left
// corner is the click; false with "Слишком длинный текст" when it does not
// fit.  Measured with the stroke fonts.
bool build_new_text_fragment(const std::string& text, double x, double y, RecordBytes* out, const char** refusal);
// A copy of a text-carrying record (leader or text fragment) for a clone;
// with `shift` its trailing number grows by one.  When the grown text no
// longer fits the copy keeps the source's text and `*shift_kept` is false.
bool build_clone(const uint8_t* source, bool shift, RecordBytes* out, bool* shift_kept);
// A new 58-byte section designation with one node at the click.
RecordBytes build_new_section(double x, double y);
// The section with one more node; false with "Зачем столько узловых точек
// сечения?" when it already has 249.
bool build_section_with_node(const uint8_t* section, double x, double y, RecordBytes* out, const char** refusal);
// A new 74-byte tolerance frame for element `element` at the click: +18 =
// +42 = x, +30 = +46 = y, +58 the largest float (not laid out).
RecordBytes build_new_tolerance(uint32_t element, double x, double y);

extern const char* const section_too_many_nodes;
extern const char* const default_fragment_text;

// ---------------------------------------------------------------- store
// The placing tools on the projection's annotation chain.  Each adds its
// record, makes it the selection (and moves a clone source on to it) and
// returns its reference; 0 when nothing was added.  `shift`: Shift held.
RecordRef place_leader(uint8_t* projection, AnnotationStage* s, double x, double y, bool shift);
RecordRef place_text_fragment(uint8_t* projection, AnnotationStage* s, double x, double y, bool shift);
RecordRef place_section_node(uint8_t* projection, AnnotationStage* s, double x, double y);
RecordRef place_tolerance_designation(uint8_t* projection, AnnotationStage* s, uint32_t element, double x, double y);
// A text fragment read from an exchange file: `text` at (x, y) with the
// given height index (kept within 0..9), upper left corner at the point.
RecordRef place_imported_text(uint8_t* projection, double x, double y, int size_index, const char* text);

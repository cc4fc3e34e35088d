// Element drawing: the pen of an element, one drawing routine per element
// kind and the per-view walk over a projection's element chain, which also
// marks the element a click in the view picked.
//
// Element flag names: the walk's "generated auxiliary record" is a hidden
// screening piece (element_flag_screen_piece value 2, 0x2000); "not drawn" is
// element_flag_screened; the alternative-form bit is element_flag_purge.
#pragma once

#include <cstdint>

#include "render/output/output_view.h"
#include "render/output/pixel_canvas.h"

// ---------------------------------------------------------------- shared state
extern int element_pen_width;           // width of the last element pen
extern int walk_marked_seen;            // the last walk met a marked element,
extern int walk_marked_in_contour;      // ... a marked contour member,
extern int walk_marked_in_fragment;     // ... a marked fragment element
extern uint8_t layer_mark_request;      // layers whose elements the next walk marks
extern int16_t marked_element_count;    // marked elements, shown in the prompt panel
extern int tolerance_pick_request;
extern RecordRef tolerance_pick_element;

// The line-type name the walk shows for a picked element (one leading
// blank), or null for a line type without a name.
const char* line_type_name(int line_type);

// Pen width in pixels for a line thickness in sheet mm; 0 for a null view.
int pen_width_pixels(const OutputView* view, double thickness_mm);

// The pen of an element: style pen_null when it is not drawn in this stage.
// In DXF mode it sets dxf_line_width and gives a 1-pixel solid pen.
PenDesc element_pen_create(const OutputView* view, const uint8_t* element);

// Element routines: each selects the element's pen, draws and restores it;
// returns the result of the last device call, 0 when nothing was drawn.
int draw_segment_element(OutputView* view, const uint8_t* element);   // kinds 1, 8
int draw_circle_element(OutputView* view, const uint8_t* element);    // kind 2
int draw_arc_element(OutputView* view, const uint8_t* element);       // kinds 3, 4
int draw_curve_element(OutputView* view, const uint8_t* element);     // kind 5
int draw_bezier_handles(OutputView* view, const uint8_t* element);    // kind 12

// The vertices of a curve record that are drawn: its count, bounded by what
// the record holds (0 for a negative count).
int curve_drawable_vertices(const uint8_t* element);

// The per-view walk: three passes over the projection's element chain.
void draw_view_elements(OutputView* view);

// Hatch lines are drawn with the element routines into the view given here
// (set by draw_view_hatch_lines around its call).
extern OutputView* hatch_output_view;

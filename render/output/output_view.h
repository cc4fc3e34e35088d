// The output view: what a drawing routine draws into.
//
// Every output of a projection (a projection window on screen, the sheet
// window of the layout stage, a printer page, a DXF file) is described by one
// OutputView: the pixel canvas (pixel_canvas.h) with its device, the view
// transform with its two scales (pixels per model unit in x and y), the
// design stage the drawing is made for, the device kind and the projection's
// display state (visible layers, layer colours, view and window flags).
// While dxf_output_active is set (dxf_writers.h) the primitives write DXF
// entities in model coordinates instead of touching the canvas.
//
// How drawing code uses it (dimension and annotation line work included):
//  - line work is given in model units to the primitives of primitives.h
//    (draw_line_segment, draw_dashed_segment, draw_circle, draw_arc,
//    draw_bezier_chain, draw_frame, draw_end_marker); each one handles the
//    DXF branch first, then converts to pixels with the view transform;
//  - a pen for line work comes from element_pen_create (an element) or
//    create_text_pen (a width in sheet mm, in the text colour; in DXF mode it
//    sets dxf_line_width); select it with canvas_select_pen and restore it
//    with canvas_restore_pen;
//  - filled pixel shapes (line-end marks) use canvas_polygon / canvas_pie
//    between select_pen_brush and restore_pen_brush, after checking
//    dxf_output_active (then dxf_write_filled_shapes takes the model points);
//  - texts go through draw_text_at / draw_text_line / draw_multiline_text
//    (text_output.h), whose view TextCanvas adapter draws each glyph stroke
//    with the primitives above.
// Window-level services that belong to the projection window (the pick
// marker, the prompt panel, the print dialog counter) are reached through
// output_window_seams, which does nothing until the window code fills it.
#pragma once

#include <cstdint>

#include "geometry/geom_types.h"
#include "geometry/transforms.h"
#include "render/output/pixel_canvas.h"
#include "store/drawing_file.h"

// What kind of device the view draws on.
enum OutputDevice : int {
    output_screen = 0,   // a projection window: picking, prompts, cursor
    output_sheet = 1,    // the sheet window of the layout stage
    output_printer = 2   // a printer page (print thread)
};

// Window flags read by the drawing.
enum : uint16_t { window_flag_hide_hidden_lines = 0x0002 };

struct OutputView {
    PixelCanvas canvas;
    ViewTransform transform;     // transform.scale: pixels per model unit (x, y)
    int device;                  // OutputDevice
    int stage;                   // design stage the drawing is made for (1..9)
    // The projection: a record the caller holds (sheet, print and export
    // nodes, tests), else fetched through projection_ref.
    uint8_t* projection;
    RecordRef projection_ref;
    uint16_t view_flags;         // bits 0-3: projection type, written by the element walk
    uint16_t window_flags;       // window_flag_*
    uint8_t visible_layers;      // bit n set: layer n shown (layer 0 always shows)
    uint32_t layer_colours[8];   // COLORREF by layer
    void* window;                // the owning window record, for the seams; may be null
};

// A view with the standing display state: scale 1, no offset, layers 0 and 1
// visible (the construction record's default 3), black layer colours, the
// current design stage, no canvas.
void output_view_init(OutputView* view, int device);

// The projection record the view shows, or null.
uint8_t* output_view_projection(OutputView* view);

// The design stage of the running program (1 when none is known).
int output_current_stage();

// ---------------------------------------------------------------- window seams
// Services of the projection window (its pick marker, the panels, the print
// dialog, the marking tools of the image stage) that the walks call.
struct OutputWindowSeams {
    // The pick marker: non-zero when the drawing of `element` (just drawn)
    // covered a pixel of the marker placed by a click in this view.
    int (*pick_marker_damaged)(OutputView* view, int stage, const uint8_t* element);
    void (*pick_marker_position)(OutputView* view, Point2* out);
    void (*pick_marker_hide)(OutputView* view);
    // Point tool of stage 1: non-zero when the click was consumed.
    int (*insert_point_into_element)(OutputView* view, uint8_t* element);
    // The projection number of the active window (0: none).
    uint32_t (*active_projection_number)();
    // Panels of the running program.
    void (*prompt_show)(const char* text);
    void (*status_show_number)(unsigned value);
    void (*fill_marked_elements_combo)(OutputView* view, int enable);
    int (*walk_marked_symbol_seen)();
    void (*enable_image_toolbar)();
    void (*place_tolerance_designation)(OutputView* view, Point2 at);
    // The print dialog's page counter: counting non-zero for a projection
    // whose type word has bit 11, else the counter is cleared.  Called from
    // whichever thread walks (the print thread holds the drawing lock): on
    // the print thread the filler updates the counter itself (interlocked)
    // rather than sending to the dialog's thread, which may wait for the lock.
    void (*print_counter)(int counting);
    // The image-stage input: 0 outside the nesting state (state 20), 1 in it
    // with no first element yet, 2 with a first element chosen; the nesting
    // hand-off (nest_marked_elements, nesting_start remembers the first
    // element) and the mark spreading of the marking tools.
    int (*nesting_state)();
    void (*nest_marked_elements)(uint8_t* projection, uint8_t* element);
    void (*nesting_start)(uint8_t* projection, uint8_t* element);
    void (*mark_element_contour)(uint8_t* projection, uint8_t* element);
    void (*mark_element_fragment)(uint8_t* projection, uint8_t* element);
    void (*apply_element_mark)(uint8_t* projection, uint8_t* element);
    void (*apply_mark_to_curve_pieces)(uint8_t* projection, uint8_t* element);
};
// Starts as output_window_seams_unbound (every member does nothing and
// reports no hit); the window code binds its own.
extern const OutputWindowSeams output_window_seams_unbound;
extern OutputWindowSeams output_window_seams;

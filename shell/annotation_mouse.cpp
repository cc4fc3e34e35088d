// The annotation stage's mouse in the projection windows.  Every step runs
// under the document lock on a copy of the window's projection record whose
// chain heads are written back afterwards; a placement or a drag takes one
// automatic checkpoint at the button's press.
#include <windows.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "annotation/annotation_layout.h"
#include "annotation/annotation_move.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_tools.h"
#include "annotation/hatching_placement.h"
#include "annotation/roughness_placement.h"
#include "annotation/text_fragment_cell.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "render/contours/contour_search.h"
#include "render/output/dimension_seams.h"
#include "geometry/nearest_points.h"
#include "geometry/transforms.h"
#include "shell/annotation_mouse.h"
#include "shell/frame_face.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/view_picking.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

// Pixels around the cursor within which a click takes a record or point.
const int pick_pixels = 6;
// Alt was held at the end of a drag (a binding release): the release of
// the key that follows must not open the frame's menu bar.
bool alt_release_pending;
HWND crosshair_window;
POINT crosshair_at;

ViewTransform window_transform(const ProjectionWindow* w) {
    ViewTransform t{};
    t.view_offset = {w->view_offset[0], w->view_offset[1]};
    t.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    t.scale = {w->scale[0], w->scale[1]};
    return t;
}

Point2 model_point(const ProjectionWindow* w, int x, int y) {
    ViewTransform t = window_transform(w);
    Point2 p{};
    view_pixel_to_point(&t, x, y, &p);
    return p;
}

double pixel_length(const ProjectionWindow* w) {
    double s = std::fabs(w->scale[0]);
    return s > 0 ? 1.0 / s : 0.0;
}

// Runs op on a copy of the window's projection record under the document
// lock and writes its chain heads back.
template <typename Op>
void with_projection(ProjectionWindow* w, Op op) {
    DrawingFile* df = current_drawing_file();
    if (!df || !w) return;
    document_lock_acquire();
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef at = w->record_ref;
    unsigned char* p = record_read_at(df, &at, pb);
    if (p) {
        unsigned char copy[projection_record_max] = {};
        uint32_t len = get_u16(p, record_length);
        std::memcpy(copy, p, len < sizeof copy ? len : sizeof copy);
        annotation_pixel_size = pixel_length(w);
        op(copy);
        at = w->record_ref;
        p = record_read_at(current_drawing_file(), &at, pb);
        if (p) {
            std::memcpy(p + projection_links, copy + projection_links, projection_points + 4 - projection_links);
            pb->clean = 0;
        }
    }
    error_flag = 0;
    document_lock_release();
}

void crosshair_show(HWND window, int x, int y, bool show) {
    if (crosshair_window && IsWindow(crosshair_window)) InvalidateRect(crosshair_window, nullptr, FALSE);
    crosshair_window = show ? window : nullptr;
    crosshair_at = POINT{x, y};
    if (show) InvalidateRect(window, nullptr, FALSE);
}

void end_drag() {
    annotation_stage.crosshair_active = false;
    if (GetCapture()) ReleaseCapture();
    crosshair_show(nullptr, 0, 0, false);
}

// The reference point under the pixel: its number and true-image position.
bool point_under(unsigned char* projection, const ProjectionWindow* w, int x, int y, uint32_t* number, Point2* at) {
    DrawingFile* df = current_drawing_file();
    ViewTransform t = window_transform(w);
    long best_d = (pick_pixels + 1) * (pick_pixels + 1) * 2;
    bool found = false;
    RecordRef* head = projection_chain(projection, projection_points);
    PageBuffer* b = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) != point_record_size) continue;
        double px = get_f64(r, point_true_x), py = get_f64(r, point_true_y);
        long dx = view_x_to_pixel(&t, px) - x, dy = view_y_to_pixel(&t, py) - y;
        if (dx * dx + dy * dy < best_d) {
            best_d = dx * dx + dy * dy;
            *number = get_u32(r, record_key);
            *at = {px, py};
            found = true;
        }
    }
    return found;
}

// The graphic element (kinds 1..4) nearest the click within the pick
// distance: its number, 0 for none.
uint32_t element_under(unsigned char* projection, const ProjectionWindow* w, Point2 p) {
    DrawingFile* df = current_drawing_file();
    double slack = pick_pixels * pixel_length(w), best = slack;
    uint32_t number = 0;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        uint16_t f = get_u16(r, element_flags);
        int kind = f & element_flag_kind;
        if (kind < 1 || kind > 4 || (f & element_flag_screen_piece)) continue;
        Point2 g[3];
        std::memcpy(g, r + (kind <= 2 ? element_coords2 : element_coords3), (kind <= 2 ? 2 : 3) * sizeof(Point2));
        Point2 foot{};
        double d = point_element_distance(kind, g, p, &foot);
        if (d <= best) {
            best = d;
            number = get_u32(r, element_number);
        }
    }
    return number;
}

// The element record at `ref` that a tolerance designation can be bound to
// (a segment, circle, arc or curve of the drawing itself): its number, 0
// for none.
uint32_t bindable_element(RecordRef ref) {
    DrawingFile* df = current_drawing_file();
    if (!df || !ref) return 0;
    unsigned char* e = record_read_at(df, &ref, &page_buffers[table_elements]);
    uint32_t number = 0;
    if (e && get_u16(e, record_length) >= element_size2) {
        uint16_t f = get_u16(e, element_flags);
        int kind = f & element_flag_kind;
        if (kind >= 1 && kind <= 5 && !(f & element_flag_screen_piece)) number = get_u32(e, element_number);
    }
    error_flag = 0;
    return number;
}

// The roughness tool's pick of dimension record `ref`: its number and its
// extension line nearer to p, when it shows one.
bool marker_extension_line(RecordRef ref, Point2 p, uint32_t* dimension, int* line) {
    DrawingFile* df = current_drawing_file();
    if (!df || !ref) return false;
    unsigned char* d = record_read_at(df, &ref, &page_buffers[table_dimensions]);
    bool found = d && roughness_nearest_extension_line(d, p.x, p.y, DBL_MAX, line, nullptr);
    if (found) *dimension = get_u32(d, dimension_number);
    error_flag = 0;
    return found;
}

// The annotation record at `ref` when it is a leader (that can carry a
// roughness sign), else 0.
RecordRef carrying_leader(RecordRef ref) {
    uint8_t* rec = ref ? annotation_record_at(ref) : nullptr;
    return rec && rec[record_kind] == annotation_leader && annotation_record_usable(rec) ? ref : 0;
}

// The move tool's pick of record `ref` at p: the selection and its grab
// offset.
bool select_for_move(RecordRef ref, Point2 p) {
    if (!ref) return false;
    uint8_t* rec = annotation_record_at(ref);
    if (!rec || !annotation_record_usable(rec)) return false;
    AnnotationStage& s = annotation_stage;
    s.selected_annotation_ref = ref;
    s.grabbed_node = 0;
    if (rec[record_kind] == annotation_section) s.grabbed_node = static_cast<uint8_t>(section_nearest_node(rec, p.x, p.y));
    Point2 c = annotation_reference_corner(rec, s.grabbed_node);
    bool offset = rec[record_kind] == annotation_text_fragment || rec[record_kind] == annotation_tolerance;
    s.grab_dx = offset ? p.x - c.x : 0;
    s.grab_dy = offset ? p.y - c.y : 0;
    return true;
}

// The move tool's pick by geometry: the record whose box holds the cursor.
bool pick_for_move(unsigned char* projection, const ProjectionWindow* w, Point2 p) {
    return select_for_move(annotation_pick(projection, p.x, p.y, pick_pixels * pixel_length(w)), p);
}


// Before a hatching is placed or seeded again: the temporary records are
// purged when the drawing asks for it, and the time of the change noted.
void hatching_header_steps() {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    document_lock_acquire();
    if (df->header[111] & 0x02) purge_temporary_records();
    put_u16(df->header, 110, static_cast<uint16_t>(get_u16(df->header, 110) & ~0x0100));
    put_u32(df->header, 136, static_cast<uint32_t>(std::time(nullptr)));
    put_u32(df->header, 140, 0);
    error_flag = 0;
    document_lock_release();
}

int left_down(HWND window, int x, int y, WPARAM keys) {
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w || !current_drawing_file()) return 0;
    AnnotationStage& s = annotation_stage;
    annotation_drag_reset(&s);
    Point2 p = model_point(w, x, y);
    bool shift = (keys & MK_SHIFT) != 0;
    int tool = s.tool;
    if (tool == annotation_tool_leader || tool == annotation_tool_text || tool == annotation_tool_section ||
        tool == annotation_tool_tolerance || tool == annotation_tool_move || tool == annotation_tool_roughness ||
        tool == annotation_tool_hatching)
        drawing_checkpoint(1, default_undo_description());
    if (tool == annotation_tool_hatching) hatching_header_steps();
    // The move and arrowhead tools take what is drawn under the click, found
    // by the pick marker; where it finds nothing (a click between the strokes
    // of a text, or too near the edge for a marker) the record whose box
    // holds the click, else the nearest dimension line.
    // The roughness tool takes the extension line of the dimension or the
    // leader drawn under the click, and the tolerance tool the graphic
    // element drawn there, the same way; each falls back to its nearest
    // object by geometry.
    MarkerPick marker = {0, 0, 0};
    ElementPick element_pick = {0, {0.0, 0.0}};
    if (tool == annotation_tool_move || tool == annotation_tool_arrowheads || tool == annotation_tool_roughness)
        marker = pick_marker_annotation_click(w, x, y);
    if (tool == annotation_tool_roughness && marker.dimension) dimension_window_seams.enable_arrowhead_controls(0);
    if (tool == annotation_tool_tolerance) element_pick = pick_marker_element_click(w, x, y);
    bool started = false;
    with_projection(w, [&](unsigned char* projection) {
        switch (tool) {
        case annotation_tool_leader:
            s.selected_annotation_ref = 0;
            started = place_leader(projection, &s, p.x, p.y, shift) != 0;
            s.grab_dx = s.grab_dy = 0;
            break;
        case annotation_tool_text:
            s.selected_annotation_ref = 0;
            if (RecordRef r = place_text_fragment(projection, &s, p.x, p.y, shift)) {
                // The text is dragged by the point where it was placed.
                Point2 c = annotation_reference_corner(annotation_record_at(r), 0);
                s.grab_dx = p.x - c.x;
                s.grab_dy = p.y - c.y;
                started = true;
            }
            break;
        case annotation_tool_section:
            place_section_node(projection, &s, p.x, p.y);
            break;
        case annotation_tool_tolerance: {
            s.selected_annotation_ref = 0;
            Point2 at = p;
            uint32_t element = bindable_element(element_pick.element);
            if (element)
                at = element_pick.at;
            else
                element = element_under(projection, w, p);
            if (element) started = place_tolerance_designation(projection, &s, element, at.x, at.y) != 0;
            s.grab_dx = s.grab_dy = 0;
            break;
        }
        case annotation_tool_hatching:
            s.selected_annotation_ref = 0;
            place_hatching(projection, &s, p.x, p.y);
            s.grab_dx = s.grab_dy = 0;
            break;
        case annotation_tool_roughness: {
            // An extension line under the cursor, else a leader.
            uint32_t dimension = 0;
            int line = 0;
            double slack = pick_pixels * pixel_length(w);
            s.selected_annotation_ref = 0;
            s.selected_dimension_ref = 0;
            s.picked_dimension_part = 0;
            if (marker_extension_line(marker.dimension, p, &dimension, &line)) {
                s.picked_dimension_part = line;
            } else if (RecordRef r = carrying_leader(marker.annotation)) {
                s.selected_annotation_ref = r;
            } else if (roughness_pick_extension_line(projection, p.x, p.y, slack, &dimension, &line)) {
                s.picked_dimension_part = line;
            } else if (RecordRef r = annotation_pick(projection, p.x, p.y, slack)) {
                uint8_t* rec = annotation_record_at(r);
                if (rec && rec[record_kind] == annotation_leader) s.selected_annotation_ref = r;
            }
            if (dimension || s.selected_annotation_ref) place_roughness_sign(projection, &s, dimension, line, p.x, p.y);
            break;
        }
        case annotation_tool_move:
        case annotation_tool_arrowheads: {
            s.selected_annotation_ref = 0;
            s.selected_dimension_ref = 0;
            s.picked_dimension_end = 0;
            bool picked = select_for_move(marker.annotation, p);
            if (!picked && marker.dimension) {
                s.selected_dimension_ref = marker.dimension;
                s.picked_dimension_end = marker.dimension_end;
                picked = true;
            }
            if (!picked) picked = pick_for_move(projection, w, p);
            if (!picked) {
                // No annotation record there: a dimension line.
                RecordRef ref = 0;
                uint8_t end = 0;
                if (pick_dimension_line(projection, p.x, p.y, pick_pixels * pixel_length(w), &ref, &end)) {
                    s.selected_dimension_ref = ref;
                    s.picked_dimension_end = end;
                    picked = true;
                }
            }
            started = picked && tool == annotation_tool_move;
            break;
        }
        default:
            break;
        }
    });
    if (started) {
        s.crosshair_active = true;
        SetCapture(window);
        crosshair_show(window, x, y, true);
    }
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

int mouse_move(HWND window, int x, int y, WPARAM keys) {
    AnnotationStage& s = annotation_stage;
    if (GetKeyState(VK_MENU) >= 0) alt_release_pending = false;
    if (!s.crosshair_active || !(keys & MK_LBUTTON) || (!s.selected_annotation_ref && !s.selected_dimension_ref))
        return 0;
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w) return 0;
    Point2 p = model_point(w, x, y);
    AnnotationMoveResult result = annotation_move_failed;
    int hint = 0;
    bool flipped = false;
    Point2 cursor_to{};
    with_projection(w, [&](unsigned char* projection) {
        if (s.selected_annotation_ref) {
            result = move_selected_annotation(projection, &s, p.x, p.y, (keys & MK_CONTROL) != 0, &hint);
        } else if (move_selected_dimension(projection, s.selected_dimension_ref, &s, p.x, p.y,
                                           (keys & MK_CONTROL) != 0, &hint, &flipped, &cursor_to)) {
            result = annotation_move_done;
        }
    });
    // An arc that passed through its centre takes the cursor with it
    // (outside the lock: the move it makes comes back here).
    if (flipped && result == annotation_move_done) set_cursor_to_point(window, w, cursor_to);
    if (hint) ctrl_hint_mode_set(hint);
    if (result == annotation_move_refused_bound) {
        prompt_show(move_bound_prompt);
        s.selected_annotation_ref = 0;
        end_drag();
    } else if (result != annotation_move_done) {
        end_drag();
    } else {
        crosshair_show(window, x, y, true);
    }
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

int left_up(HWND window, int x, int y, WPARAM) {
    AnnotationStage& s = annotation_stage;
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w) return 0;
    if (s.crosshair_active) {
        bool alt = GetKeyState(VK_MENU) < 0;
        alt_release_pending = alt;
        end_drag();
        bool reseeded = false;
        if (s.selected_annotation_ref) {
            with_projection(w, [&](unsigned char* projection) {
                uint32_t number = 0;
                Point2 at{};
                bool has_point = alt && point_under(projection, w, x, y, &number, &at);
                uint8_t* rec = annotation_record_at(s.selected_annotation_ref);
                if (!rec || !annotation_record_usable(rec)) return;
                if (has_point || rec[record_kind] == annotation_text_fragment) {
                    bind_annotation_on_release(rec, has_point, number, at);
                    page_buffers[table_annotation].clean = 0;
                }
                // A moved hatching is seeded again where it was released.
                if (rec[record_kind] == annotation_hatching) {
                    RecordRef ref = s.selected_annotation_ref;
                    if (reseed_hatching(projection, &s, &ref)) reseeded = true;
                    return;
                }
                // A text that fits its cell takes the cell where it was put.
                if (rec[record_kind] == annotation_text_fragment && (rec[text_fragment_options] & 1)) {
                    unsigned char* fitted = rec;
                    if (fit_text_into_cell(projection, &fitted, nullptr))
                        s.selected_annotation_ref = record_ref_of(&page_buffers[table_annotation], fitted);
                }
            });
        }
        if (reseeded) hatching_header_steps();
        modifier_keys_show(VK_MENU, 0);
    }
    if (s.tool != annotation_tool_arrowheads && s.tool != annotation_tool_section) s.selected_annotation_ref = 0;
    if (s.tool != annotation_tool_arrowheads) {
        s.selected_dimension_ref = 0;
        s.picked_dimension_end = 0;
    }
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

int right_up(HWND, int, int, WPARAM) {
    annotation_stage.clone_source = 0;
    annotation_stage.picked_dimension_end = 0;
    return 0;  // the window opens the properties of the record under the cursor
}

int key_down(HWND, int) { return 0; }
int left_double(HWND, int, int, WPARAM) { return 0; }

// The dotted cross-hair through the cursor while a placement or move runs.
void paint_over(HWND window, HDC dc) {
    if (window != crosshair_window || !annotation_stage.crosshair_active) return;
    RECT r;
    GetClientRect(window, &r);
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 255));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, r.left, crosshair_at.y, nullptr);
    LineTo(dc, r.right, crosshair_at.y);
    MoveToEx(dc, crosshair_at.x, r.top, nullptr);
    LineTo(dc, crosshair_at.x, r.bottom);
    SelectObject(dc, old);
    DeleteObject(pen);
}

}  // namespace

// The mouse move this makes runs one more drag step at that point, which
// leaves a flipped arc where it is.
void set_cursor_to_point(HWND window, const ProjectionWindow* w, Point2 p) {
    ViewTransform t = window_transform(w);
    POINT at{static_cast<LONG>(view_x_to_pixel(&t, p.x)), static_cast<LONG>(view_y_to_pixel(&t, p.y))};
    if (!ClientToScreen(window, &at)) return;
    SetCursorPos(at.x, at.y);
}

void annotation_mouse_fill(StageTools* row) {
    row->left_down = left_down;
    row->left_up = left_up;
    row->left_double = left_double;
    row->mouse_move = mouse_move;
    row->right_up = right_up;
    row->key_down = key_down;
    row->paint_over = paint_over;
}

void annotation_mouse_tool_changed() { end_drag(); }

bool annotation_mouse_take_alt_release() {
    bool pending = alt_release_pending && GetKeyState(VK_MENU) >= 0;
    alt_release_pending = false;
    return pending;
}

void annotation_mouse_repaint() {
    ProjectionWindow* w = projection_window_active();
    if (w && w->window) InvalidateRect(w->window, nullptr, TRUE);
}

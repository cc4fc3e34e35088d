// Picking and pointing in the projection windows: the pick marker's pixels
// on the window's DC (the paint DC while the window paints, the window's
// own DC otherwise), the annotation stage's cross-hair, and the window
// seams of the element and dimension walks.
#include "shell/view_picking.h"

#include "render/output/dimension_seams.h"
#include "render/output/element_drawing.h"
#include "render/output/output_view.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "store/settings_block.h"

namespace {

ProjectionWindow* crosshair_window;
POINT crosshair_at;
// Where the element walk found the element asked for by the tolerance
// tool; the tool makes the designation itself once the paint is over.
bool tolerance_found;
Point2 tolerance_at;

// The window's DC for a pixel access: the paint DC when painting.
struct PixelDc {
    ProjectionWindow* w;
    HDC dc;
    bool own;
    explicit PixelDc(ProjectionWindow* win) : w(win), dc(win->paint_dc), own(false) {
        if (!dc && w->window) {
            dc = GetDC(w->window);
            own = dc != nullptr;
        }
    }
    ~PixelDc() {
        if (own) ReleaseDC(w->window, dc);
    }
};

uint32_t device_get(ProjectionWindow* w, int x, int y) {
    PixelDc d(w);
    return d.dc ? static_cast<uint32_t>(GetPixel(d.dc, x, y)) : CLR_INVALID;
}

void device_set(ProjectionWindow* w, int x, int y, uint32_t colour) {
    PixelDc d(w);
    if (d.dc) SetPixelV(d.dc, x, y, colour);
}

void device_invalidate(ProjectionWindow* w, int l, int t, int r, int b) {
    if (!w->window) return;
    RECT rect = {l, t, r, b};
    InvalidateRect(w->window, &rect, TRUE);
}

// Drawable only inside a paint, and only where all nine pixels lie in the
// update region (GetPixel would otherwise read pixels the paint does not
// own).
int device_square_drawable(ProjectionWindow* w, int x, int y) {
    if (!w->paint_dc) return 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (!PtVisible(w->paint_dc, x + dx, y + dy)) return 0;
    return 1;
}

void device_client_size(ProjectionWindow* w, int* width, int* height) {
    RECT r = {0, 0, 0, 0};
    if (w->window) GetClientRect(w->window, &r);
    *width = r.right;
    *height = r.bottom;
}

int device_stage() { return current_stage; }

// The projection window of a screen view, when it is still open.
ProjectionWindow* window_of(OutputView* view) {
    if (!view || view->device != output_screen || !view->window) return nullptr;
    for (ProjectionWindow* w = projection_windows; w; w = w->next)
        if (w == view->window) return w;
    return nullptr;
}

int seam_damaged(OutputView* view, int stage, const uint8_t*) {
    ProjectionWindow* w = window_of(view);
    return w ? pick_marker_damaged(w, stage) : 0;
}

void seam_position(OutputView* view, Point2* out) {
    int x = 0, y = 0;
    ProjectionWindow* w = window_of(view);
    if (!w || !pick_marker_position(&x, &y)) return;
    ViewTransform t = projection_window_transform(w);
    view_pixel_to_point(&t, x, y, out);
}

void seam_hide(OutputView*) { pick_marker_hide(); }

uint32_t seam_active_projection() {
    return active_projection_number == static_cast<uint32_t>(-1) ? 0 : active_projection_number;
}

void seam_prompt(const char* text) { prompt_show(text); }
void seam_status(unsigned value) { status_show_number(value); }

int seam_active(OutputView* view) {
    ProjectionWindow* w = window_of(view);
    return w && pick_marker.placed && pick_marker.drawn && pick_marker.owner == w;
}

void seam_redraw(OutputView* view) {
    ProjectionWindow* w = window_of(view);
    if (w) pick_marker_redraw(w);
}

int seam_replace(OutputView* view) {
    ProjectionWindow* w = window_of(view);
    return w ? pick_marker_redraw(w) : 0;
}

void seam_crosshair(OutputView* view, Point2 at) {
    ProjectionWindow* w = window_of(view);
    if (!w) return;
    ViewTransform t = projection_window_transform(w);
    crosshair_move(w, view_x_to_pixel(&t, at.x), view_y_to_pixel(&t, at.y), 1);
}

void seam_tolerance_found(OutputView* view, Point2 at) {
    if (!window_of(view)) return;
    tolerance_found = true;
    tolerance_at = at;
}

void invalidate_strips(ProjectionWindow* w, POINT at) {
    if (!w || !w->window) return;
    RECT c;
    GetClientRect(w->window, &c);
    RECT h = {c.left, at.y - 1, c.right, at.y + 2};
    RECT v = {at.x - 1, c.top, at.x + 2, c.bottom};
    InvalidateRect(w->window, &h, TRUE);
    InvalidateRect(w->window, &v, TRUE);
}

}  // namespace

ViewTransform projection_window_transform(const ProjectionWindow* w) {
    ViewTransform t;
    t.view_offset = {w->view_offset[0], w->view_offset[1]};
    t.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    t.scale = {w->scale[0], w->scale[1]};
    return t;
}

void crosshair_move(ProjectionWindow* w, int x, int y, int show) {
    if (crosshair_window) invalidate_strips(crosshair_window, crosshair_at);
    crosshair_at.x = x;
    crosshair_at.y = y;
    if (show && w) {
        crosshair_window = w;
        invalidate_strips(w, crosshair_at);
    } else {
        crosshair_window = nullptr;
    }
}

void crosshair_draw(ProjectionWindow* w, HDC dc) {
    if (current_stage != 5 || !w || w != crosshair_window || !w->window) return;
    RECT c;
    GetClientRect(w->window, &c);
    HPEN pen = CreatePen(PS_DOT, 1, settings_u32(327));
    HGDIOBJ old = SelectObject(dc, pen);
    int mode = SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, c.left, crosshair_at.y, nullptr);
    LineTo(dc, c.right, crosshair_at.y);
    MoveToEx(dc, crosshair_at.x, c.top, nullptr);
    LineTo(dc, crosshair_at.x, c.bottom);
    SetBkMode(dc, mode);
    SelectObject(dc, old);
    DeleteObject(pen);
}

ProjectionWindow* crosshair_owner() { return crosshair_window; }
POINT crosshair_position() { return crosshair_at; }

int pick_marker_paint_click(ProjectionWindow* w, int x, int y) {
    if (!w || !w->window) return 0;
    pick_marker_move(w, x, y);
    if (!pick_marker.placed || pick_marker.owner != w) return 0;
    UpdateWindow(w->window);
    // A drawn marker is erased by the paint that drew it; one still placed
    // was not drawn, and would pick at some later paint the click knows
    // nothing of.
    if (pick_marker.placed && pick_marker.owner == w) {
        pick_marker_reset();
        return 0;
    }
    return 1;
}

MarkerPick pick_marker_annotation_click(ProjectionWindow* w, int x, int y) {
    DimensionPickState& d = dimension_pick_state;
    d.picked_annotation = 0;
    d.picked_dimension = 0;
    d.picked_dimension_end = 0;
    MarkerPick m = {0, 0, 0};
    ProjectionWindow* crosshair_before = crosshair_window;
    if (pick_marker_paint_click(w, x, y)) {
        m.annotation = d.picked_annotation;
        m.dimension = d.picked_dimension;
        m.dimension_end = static_cast<uint8_t>(d.picked_dimension_end);
    }
    if (!crosshair_before && crosshair_window) crosshair_move(nullptr, 0, 0, 0);
    return m;
}

ElementPick pick_marker_element_click(ProjectionWindow* w, int x, int y) {
    ElementPick e = {0, {0.0, 0.0}};
    tolerance_found = false;
    tolerance_pick_element = 0;
    tolerance_pick_request = 1;
    if (pick_marker_paint_click(w, x, y) && tolerance_found && tolerance_pick_element) {
        e.element = tolerance_pick_element;
        e.at = tolerance_at;
    }
    // A paint that never ran leaves the request standing: no later paint
    // may take it up.
    tolerance_pick_request = 0;
    tolerance_found = false;
    return e;
}

void picking_window_gone(ProjectionWindow* w) {
    pick_marker_forget_window(w);
    if (crosshair_window == w) crosshair_window = nullptr;
}

void view_picking_bind() {
    pick_marker_device.get_pixel = device_get;
    pick_marker_device.set_pixel = device_set;
    pick_marker_device.invalidate = device_invalidate;
    pick_marker_device.square_drawable = device_square_drawable;
    pick_marker_device.client_size = device_client_size;
    pick_marker_device.current_stage = device_stage;

    output_window_seams.pick_marker_damaged = seam_damaged;
    output_window_seams.pick_marker_position = seam_position;
    output_window_seams.pick_marker_hide = seam_hide;
    output_window_seams.active_projection_number = seam_active_projection;
    output_window_seams.prompt_show = seam_prompt;
    output_window_seams.status_show_number = seam_status;
    output_window_seams.place_tolerance_designation = seam_tolerance_found;

    dimension_window_seams.pick_marker_active = seam_active;
    dimension_window_seams.pick_marker_redraw = seam_redraw;
    dimension_window_seams.pick_marker_hide = seam_hide;
    dimension_window_seams.pick_marker_replace = seam_replace;
    dimension_window_seams.pick_marker_position = seam_position;
    dimension_window_seams.move_crosshair = seam_crosshair;
}

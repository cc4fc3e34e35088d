// Marks of a projection window: building, invalidating and drawing the
// marked points of the dimension being entered or edited.
#include "shell/view_marks.h"

#include <cmath>
#include <vector>

#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/view_picking.h"
#include "store/settings_block.h"

namespace {

// Half sizes of a mark (settings ints 339 and 343) and the margin factor
// (int 526); the block's values 3, 3 and 6 when it holds none.
int setting_or(size_t offset, int fallback) {
    int v = settings_i32(offset);
    return v > 0 && v < 1000 ? v : fallback;
}
int half_x() { return setting_or(339, 3); }
int half_y() { return setting_or(343, 3); }
int margin() { return setting_or(526, 6); }

void to_pixels(void* ctx, double x, double y, double* px, double* py) {
    const ViewTransform* t = static_cast<const ViewTransform*>(ctx);
    *px = (x - t->view_offset.x + t->scroll_shift.x) * t->scale.x;
    *py = (y - t->view_offset.y + t->scroll_shift.y) * t->scale.y;
}

int use_constructed() { return current_stage > 3; }

LONG pixel(double v) {
    if (!(v > -1e8)) return -100000000;
    if (v > 1e8) return 100000000;
    return static_cast<LONG>(std::lround(v));
}

}  // namespace

void mark_invalidate(ProjectionWindow* w, double x, double y) {
    if (!w || !w->window) return;
    ViewTransform t = projection_window_transform(w);
    double px, py;
    to_pixels(&t, x, y, &px, &py);
    // The point's label is drawn by the point tools; without its size the
    // margin about the mark covers the triangles and crosses.
    int dx = half_x() * margin(), dy = half_y() * margin();
    RECT r = {pixel(px) - dx, pixel(py) - dy, pixel(px) + dx + 1, pixel(py) + dy + 1};
    InvalidateRect(w->window, &r, TRUE);
}

MarkSet* mark_add_dimension(ProjectionWindow* w, uint8_t* projection, uint8_t* dimension, RecordRef owner,
                            const uint8_t* anchor_point) {
    DrawingFile* df = current_drawing_file();
    if (!w || !projection || !dimension || !df) return nullptr;
    MarkSet* set = mark_set_build(df, projection, dimension, owner, anchor_point, use_constructed());
    if (!set) return nullptr;
    for (MarkEntry* e = set->first; e; e = e->next) mark_invalidate(w, e->x, e->y);
    if (current_stage < 4) modifier_keys_show(VK_MENU, 1);
    return set;
}

void mark_add_point(ProjectionWindow* w, uint8_t* projection, const uint8_t* link) {
    DrawingFile* df = current_drawing_file();
    if (!w || !w->marks || !df) return;
    MarkEntry* e = mark_set_add_link(w->marks, df, projection, link, use_constructed());
    if (e) mark_invalidate(w, e->x, e->y);
}

void mark_remove(ProjectionWindow* w, uint32_t point_number) {
    if (w) mark_set_remove(w->marks, point_number);
}

void marks_clear(ProjectionWindow* w) {
    modifier_keys_show(VK_MENU, 0);
    if (!w || !w->marks) return;
    mark_set_free(w->marks);
    w->marks = nullptr;
    if (stage_panel) {
        HWND b = GetDlgItem(stage_panel, IDC_CONSTRUCTION_NEXT_IN_CHAIN);
        if (b) EnableWindow(b, FALSE);
    }
    if (w->window) {
        InvalidateRect(w->window, nullptr, TRUE);
        UpdateWindow(w->window);
    }
}

void marks_draw(ProjectionWindow* w, HDC dc) {
    if (!w || !w->marks || !dc) return;
    ViewTransform t = projection_window_transform(w);
    std::vector<MarkShape> shapes = mark_set_shapes(w->marks, to_pixels, &t, half_x(), half_y(), margin());
    COLORREF accent = settings_u32(327), frame = settings_u32(271);
    HPEN dotted = CreatePen(PS_DOT, 0, accent);
    HPEN solid = CreatePen(PS_INSIDEFRAME, 0, frame);
    HBRUSH brush = CreateSolidBrush(accent);
    HGDIOBJ old_pen = SelectObject(dc, dotted);
    HGDIOBJ old_brush = SelectObject(dc, brush);
    int old_mode = SetBkMode(dc, TRANSPARENT);
    for (const MarkShape& s : shapes) {
        SelectObject(dc, s.kind == MarkShape::dotted_line ? dotted : solid);
        if (s.kind == MarkShape::triangle) {
            POINT p[3];
            for (int i = 0; i < 3; ++i) p[i] = {pixel(s.p[i][0]), pixel(s.p[i][1])};
            Polygon(dc, p, 3);
        } else {
            MoveToEx(dc, pixel(s.p[0][0]), pixel(s.p[0][1]), nullptr);
            LineTo(dc, pixel(s.p[1][0]), pixel(s.p[1][1]));
        }
    }
    SetBkMode(dc, old_mode);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(brush);
    DeleteObject(solid);
    DeleteObject(dotted);
}

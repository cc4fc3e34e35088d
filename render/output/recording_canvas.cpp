// The recording back end of the pixel canvas.
#include "render/output/recording_canvas.h"

#include <cstdio>

namespace {

RecordingCanvas* rec_of(void* dc) {
    return static_cast<RecordingCanvas*>(dc);
}

CanvasCall* add(void* dc, int kind, std::initializer_list<int32_t> args) {
    RecordingCanvas* r = rec_of(dc);
    ++r->call_count;
    if (!r->keep_calls) return nullptr;
    CanvasCall c;
    c.kind = kind;
    c.args.assign(args.begin(), args.end());
    c.pen = PenDesc{0, 0, 0};
    c.brush = BrushDesc{0, 0};
    r->calls.push_back(std::move(c));
    return &r->calls.back();
}

void rec_move_to(void* dc, int32_t x, int32_t y) {
    add(dc, call_move_to, {x, y});
}

int rec_line_to(void* dc, int32_t x, int32_t y) {
    add(dc, call_line_to, {x, y});
    return 1;
}

void rec_set_pixel(void* dc, int32_t x, int32_t y, uint32_t colour) {
    add(dc, call_set_pixel, {x, y, static_cast<int32_t>(colour)});
}

uint32_t rec_get_pixel(void* dc, int32_t x, int32_t y) {
    RecordingCanvas* r = rec_of(dc);
    uint32_t colour = r->background;
    for (auto it = r->calls.rbegin(); it != r->calls.rend(); ++it) {
        if (it->kind == call_set_pixel && it->args[0] == x && it->args[1] == y) {
            colour = static_cast<uint32_t>(it->args[2]);
            break;
        }
    }
    add(dc, call_get_pixel, {x, y});
    return colour;
}

int rec_arc(void* dc, int32_t l, int32_t t, int32_t rt, int32_t b, int32_t x1, int32_t y1, int32_t x2,
            int32_t y2) {
    add(dc, call_arc, {l, t, rt, b, x1, y1, x2, y2});
    return 1;
}

int rec_ellipse(void* dc, int32_t l, int32_t t, int32_t rt, int32_t b) {
    add(dc, call_ellipse, {l, t, rt, b});
    return 1;
}

int rec_pie(void* dc, int32_t l, int32_t t, int32_t rt, int32_t b, int32_t x1, int32_t y1, int32_t x2,
            int32_t y2) {
    add(dc, call_pie, {l, t, rt, b, x1, y1, x2, y2});
    return 1;
}

int rec_points(void* dc, int kind, const PointI* points, int count) {
    CanvasCall* c = add(dc, kind, {count});
    if (c) c->points.assign(points, points + count);
    return 1;
}

int rec_polygon(void* dc, const PointI* points, int count) {
    return rec_points(dc, call_polygon, points, count);
}

int rec_polyline(void* dc, const PointI* points, int count) {
    return rec_points(dc, call_polyline, points, count);
}

int rec_poly_bezier(void* dc, const PointI* points, int count) {
    return rec_points(dc, call_poly_bezier, points, count);
}

void* object_id(int id) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(id));
}

CanvasSelection rec_select_pen(void* dc, const PenDesc* pen) {
    RecordingCanvas* r = rec_of(dc);
    int id = r->next_object++;
    ++r->live_objects;
    CanvasCall* c = add(dc, call_select_pen, {id});
    if (c) c->pen = *pen;
    return CanvasSelection{object_id(id), nullptr};
}

CanvasSelection rec_select_brush(void* dc, const BrushDesc* brush) {
    RecordingCanvas* r = rec_of(dc);
    int id = r->next_object++;
    ++r->live_objects;
    CanvasCall* c = add(dc, call_select_brush, {id});
    if (c) c->brush = *brush;
    return CanvasSelection{object_id(id), nullptr};
}

void rec_restore(void* dc, CanvasSelection s) {
    RecordingCanvas* r = rec_of(dc);
    if (s.created) --r->live_objects;
    add(dc, call_restore, {static_cast<int32_t>(reinterpret_cast<intptr_t>(s.created))});
}

int rec_set_rop2(void* dc, int rop2) {
    RecordingCanvas* r = rec_of(dc);
    int previous = r->rop2;
    r->rop2 = rop2;
    add(dc, call_set_rop2, {rop2});
    return previous;
}

int rec_stretch_dib(void* dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                    int32_t sh, const CanvasBitmap*, uint32_t rop) {
    add(dc, call_stretch_dib, {x, y, w, h, sx, sy, sw, sh, static_cast<int32_t>(rop)});
    return h;
}

int rec_bit_blt(void* dc, int32_t x, int32_t y, int32_t w, int32_t h, void*, int32_t sx, int32_t sy,
                uint32_t rop) {
    add(dc, call_bit_blt, {x, y, w, h, sx, sy, static_cast<int32_t>(rop)});
    return 1;
}

}  // namespace

const PixelCanvasOps recording_canvas_ops = {
    rec_move_to, rec_line_to,     rec_set_pixel,    rec_get_pixel, rec_arc,       rec_ellipse,
    rec_pie,     rec_polygon,     rec_polyline,     rec_poly_bezier, rec_select_pen, rec_select_brush,
    rec_restore, rec_set_rop2,    rec_stretch_dib,  rec_bit_blt};

PixelCanvas recording_canvas(RecordingCanvas* rec) {
    PixelCanvas c;
    c.ops = &recording_canvas_ops;
    c.dc = rec;
    c.pen = PenDesc{pen_solid, 1, 0};
    return c;
}

std::string canvas_call_text(const CanvasCall& call) {
    static const char* const names[] = {"move_to", "line_to",  "set_pixel", "get_pixel", "arc",
                                        "ellipse", "pie",      "polygon",   "polyline",  "poly_bezier",
                                        "pen",     "brush",    "restore",   "rop2",      "stretch_dib",
                                        "bit_blt"};
    std::string s = call.kind >= 0 && call.kind <= call_bit_blt ? names[call.kind] : "?";
    char buf[64];
    if (call.kind == call_select_pen) {
        std::snprintf(buf, sizeof buf, " %d %d %06x", call.pen.style, call.pen.width,
                      static_cast<unsigned>(call.pen.colour));
        return s + buf;
    }
    if (call.kind == call_select_brush) {
        std::snprintf(buf, sizeof buf, " %d %06x", call.brush.style, static_cast<unsigned>(call.brush.colour));
        return s + buf;
    }
    for (int32_t a : call.args) {
        std::snprintf(buf, sizeof buf, " %d", static_cast<int>(a));
        s += buf;
    }
    for (const PointI& p : call.points) {
        std::snprintf(buf, sizeof buf, " (%d,%d)", static_cast<int>(p.x), static_cast<int>(p.y));
        s += buf;
    }
    return s;
}

// Extents and lengths.
#include "geometry/extents.h"

#include "geometry/curves.h"
#include "geometry/kernel_angles.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"

#include <cfloat>
#include <cmath>
#include <vector>

// ---------------------------------------------------------------- boxes of geometry
void box_normalize(Box* out, double x1, double y1, double x2, double y2) {
    out->min_x = std::fmin(x1, x2);
    out->min_y = std::fmin(y1, y2);
    out->max_x = std::fmax(x1, x2);
    out->max_y = std::fmax(y1, y2);
}

void box_of_circle(Box* out, const CircleGeom* c) {
    double r = point_distance(c->on_circle, c->centre);
    *out = Box{c->centre.x - r, c->centre.y - r, c->centre.x + r, c->centre.y + r};
}

void box_of_segment_or_arc(Box* out, const ArcByCentre* g, int kind) {
    ArcByCentre arc = *g;
    if (kind == 4) {
        ArcByPoints p{g->start, g->end, g->centre};
        if (!arc_by_points_to_centre(&p, &arc)) {
            box_normalize(out, g->start.x, g->start.y, g->end.x, g->end.y);
            return;
        }
    }
    const Point2 K = arc.centre;
    double r = point_distance(arc.start, K);
    Point2 extreme[4] = {{K.x - r, K.y}, {K.x, K.y - r}, {K.x + r, K.y}, {K.x, K.y + r}};
    bool on[4];
    for (int i = 0; i < 4; ++i) {
        Point2 p = extreme[i];
        on[i] = arc_filter_points(&arc, &p, 1) == 1;
    }
    out->min_x = on[0] ? K.x - r : std::fmin(arc.start.x, arc.end.x);
    out->min_y = on[1] ? K.y - r : std::fmin(arc.start.y, arc.end.y);
    out->max_x = on[2] ? K.x + r : std::fmax(arc.start.x, arc.end.x);
    out->max_y = on[3] ? K.y + r : std::fmax(arc.start.y, arc.end.y);
}

int16_t box_of_curve_pieces(Box* out, const CurveVertex* v, int count) {
    if (count < 2) return 0;
    Box b = box_empty();
    for (int i = 0; i + 1 < count; ++i) {
        ArcByCentre piece{v[i].point, v[i + 1].point, v[i].through};
        Box pb;
        box_of_segment_or_arc(&pb, &piece, 4);
        box_union(&b, &pb);
    }
    *out = b;
    return static_cast<int16_t>(count - 1);
}

// Until the drawing subsystems bind their measurers, each measures nothing.
namespace {
int no_symbol_box(uint8_t*, const uint8_t*, Box*) { return 0; }
int no_leader_marks_box(const uint8_t*, const PointF[4], PointF, Box*) { return 0; }
int no_text_metrics(const uint8_t*, TextMetrics*) { return 0; }
int no_bounds(const uint8_t*, Box*) { return 0; }
}  // namespace

const KernelMeasurers kernel_measurers_unbound = {no_symbol_box, no_leader_marks_box, no_text_metrics,
                                                  no_text_metrics, no_bounds, no_bounds};
KernelMeasurers kernel_measurers = kernel_measurers_unbound;
ProjectionFrameWindow* (*kernel_projection_window)(const uint8_t*) = nullptr;
int (*kernel_current_stage)() = nullptr;

namespace {

int current_stage() { return kernel_current_stage ? kernel_current_stage() : 1; }

ProjectionFrameWindow* window_of(const uint8_t* projection) {
    return kernel_projection_window ? kernel_projection_window(projection) : nullptr;
}

void add_point(Box* b, double x, double y) {
    b->min_x = std::fmin(b->min_x, x);
    b->min_y = std::fmin(b->min_y, y);
    b->max_x = std::fmax(b->max_x, x);
    b->max_y = std::fmax(b->max_y, y);
}

int element_kind(const uint8_t* e) { return get_u16(e, 10) & 0x0F; }

}  // namespace

bool box_is_empty(const Box* b) { return b->min_x > b->max_x || b->min_y > b->max_y; }

void box_union(Box* a, const Box* b) {
    a->min_x = std::fmin(a->min_x, b->min_x);
    a->min_y = std::fmin(a->min_y, b->min_y);
    a->max_x = std::fmax(a->max_x, b->max_x);
    a->max_y = std::fmax(a->max_y, b->max_y);
}

void box_widen(Box* b, double m) {
    b->min_x -= m;
    b->min_y -= m;
    b->max_x += m;
    b->max_y += m;
}

// ---------------------------------------------------------------- elements

void box_add_segment_element(Box* box, const uint8_t* e) {
    Point2 a = get_point2(e, 22), b = get_point2(e, 38);
    Box s;
    box_normalize(&s, a.x, a.y, b.x, b.y);
    box_union(box, &s);
}

void box_add_circle_element(Box* box, const uint8_t* e) {
    CircleGeom c{get_point2(e, 22), get_point2(e, 38)};
    Box s;
    box_of_circle(&s, &c);
    box_union(box, &s);
}

void box_add_arc_element(Box* box, const uint8_t* e) {
    ArcByCentre a{get_point2(e, 26), get_point2(e, 42), get_point2(e, 58)};
    Box s;
    box_of_segment_or_arc(&s, &a, element_kind(e) == 4 ? 4 : 3);
    box_union(box, &s);
}

void box_add_curve_element(Box* box, const uint8_t* e) {
    int n = get_i16(e, curve_count_offset);
    int room = static_cast<int>(get_u16(e, curve_length_offset) / curve_vertex_stored_size);
    if (n > room) n = room;
    if (n < 2) return;
    std::vector<CurveVertex> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        size_t at = curve_vertices_offset + static_cast<size_t>(i) * curve_vertex_stored_size;
        v[static_cast<size_t>(i)] = CurveVertex{get_u32(e, at), get_point2(e, at + 4),
                                                i + 1 < n ? get_point2(e, at + 20) : get_point2(e, at + 4)};
    }
    Box s;
    if (box_of_curve_pieces(&s, v.data(), n) > 0) box_union(box, &s);
}

void box_add_symbol_element(uint8_t* projection, Box* box, const uint8_t* e) {
    Box s;
    if (kernel_measurers.symbol_box(projection, e, &s)) box_union(box, &s);
}

int box_add_element(uint8_t* projection, Box* box, const uint8_t* e) {
    // Kinds outside 1..5 and 11 give no box (the kind field holds up to 15).
    switch (element_kind(e)) {
    case 1: box_add_segment_element(box, e); return 1;
    case 2: box_add_circle_element(box, e); return 1;
    case 3:
    case 4: box_add_arc_element(box, e); return 1;
    case 5: box_add_curve_element(box, e); return 1;
    case 11: box_add_symbol_element(projection, box, e); return 1;
    default: return 0;
    }
}

void box_add_projection_points(uint8_t* projection, Box* box, int computed) {
    bool any = false;
    for (uint8_t* p = kernel_store.next(projection, chain_points, nullptr, nullptr); p;
         p = kernel_store.next(projection, chain_points, p, nullptr)) {
        if (get_u16(p, 8) & 0x20) continue;
        size_t at = computed ? 28 : 12;
        add_point(box, get_f64(p, at), get_f64(p, at + 8));
        any = true;
    }
    if (!any) return;
    if (compare_doubles(box->min_x, box->max_x) == 0) box->min_x = 0;
    if (compare_doubles(box->min_y, box->max_y) == 0) box->min_y = 0;
}

double element_length(int kind, const Point2* g) {
    switch (kind) {
    case 1: return point_distance(g[0], g[1]);
    case 2: return k_two_pi() * point_distance(g[0], g[1]);
    case 3: {
        ArcByCentre a{g[0], g[1], g[2]};
        return arc_sweep_angle(&a) * point_distance(g[0], g[2]);
    }
    case 4: {
        ArcByPoints p{g[0], g[1], g[2]};
        ArcByCentre a;
        if (arc_by_points_to_centre(&p, &a)) return arc_sweep_angle(&a) * point_distance(a.start, a.centre);
        return point_distance(g[0], g[1]);
    }
    default: return 0;
    }
}

double curve_length(const uint8_t* e) {
    int n = get_i16(e, curve_count_offset);
    int room = static_cast<int>(get_u16(e, curve_length_offset) / curve_vertex_stored_size);
    if (n > room) n = room;
    double sum = 0;
    for (int i = 0; i + 1 < n; ++i) {
        size_t at = curve_vertices_offset + static_cast<size_t>(i) * curve_vertex_stored_size;
        Point2 g[3] = {get_point2(e, at + 4), get_point2(e, at + 36 + 4), get_point2(e, at + 20)};
        sum += element_length(4, g);
    }
    return sum;
}

namespace {

double element_record_length(const uint8_t* e) {
    int kind = element_kind(e);
    if (kind == 1 || kind == 2) {
        Point2 g[2] = {get_point2(e, 22), get_point2(e, 38)};
        return element_length(kind, g);
    }
    if (kind == 3 || kind == 4) {
        Point2 g[3] = {get_point2(e, 26), get_point2(e, 42), get_point2(e, 58)};
        return element_length(kind, g);
    }
    if (kind == 5) return curve_length(e);
    return 0;
}

}  // namespace

double elements_total_length(uint8_t* projection, uint32_t number) {
    DocumentLockGuard lock;
    double sum = 0;
    if (!projection) return 0;
    for (uint8_t* e = kernel_store.next(projection, chain_elements, nullptr, nullptr); e;
         e = kernel_store.next(projection, chain_elements, e, nullptr)) {
        if (get_u32(e, 2) != number || (get_u16(e, 10) & 0x3000)) continue;
        sum += element_record_length(e);
    }
    return sum;
}

// ---------------------------------------------------------------- annotation

int box_of_rotated_text(Box* out, const TextMetrics* m, PointF anchor, PointF anchor2, const PointF leader[3],
                        int two_anchors, int no_leader, double angle) {
    *out = box_empty();
    double ux = std::cos(angle), uy = std::sin(angle), nx = -uy, ny = ux;
    int count = two_anchors ? 2 : 1;
    for (int i = 0; i < count; ++i) {
        PointF a = i == 0 ? anchor : anchor2;
        const TextLineMetrics& l = m->line[i];
        // y grows downward, as on the screen: the glyphs rise on the -n side
        // of the base line (the text renderer places a glyph point at height
        // t above the base line at a - t * n) and descend on the +n side.
        double top = -l.rise, bottom = l.height - l.rise, w = l.width;
        add_point(out, a.x + top * nx, a.y + top * ny);
        add_point(out, a.x + bottom * nx, a.y + bottom * ny);
        add_point(out, a.x + bottom * nx + w * ux, a.y + bottom * ny + w * uy);
        add_point(out, a.x + top * nx + w * ux, a.y + top * ny + w * uy);
    }
    if (!no_leader) {
        double pad = sheet_to_model_length(0.25);
        for (int i = 0; i < 3; ++i) {
            add_point(out, leader[i].x, leader[i].y);
            box_widen(out, pad);
        }
    }
    return count;
}

namespace {

void leader_points(const uint8_t* rec, size_t at, PointF out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = get_pointf(rec, at + 8 * static_cast<size_t>(i));
}

}  // namespace

void box_of_dimension_label(Box* out, const uint8_t* label, const TextMetrics* m) {
    if (!label) return;
    PointF lp[3];
    leader_points(label, 10, lp);
    uint16_t f = get_u16(label, 8);
    box_of_rotated_text(out, m, get_pointf(label, 34), get_pointf(label, 42), lp, (f >> 6) & 1, (f >> 11) & 1,
                        get_f64(label, 50));
}

void box_of_dimension_label_text(Box* out, const uint8_t* label, const TextMetrics* m) {
    if (!label) return;
    PointF lp[3];
    leader_points(label, 10, lp);
    uint16_t f = get_u16(label, 8);
    box_of_rotated_text(out, m, get_pointf(label, 34), get_pointf(label, 42), lp, (f >> 6) & 1, 1, get_f64(label, 50));
}

void box_of_annotation_text(Box* out, const uint8_t* rec, const TextMetrics* m) {
    PointF lp[3];
    leader_points(rec, 18, lp);
    box_of_rotated_text(out, m, get_pointf(rec, 42), get_pointf(rec, 50), lp, (get_u8(rec, 8) >> 6) & 1, 1, 0);
}

void box_of_leader_annotation(Box* out, const uint8_t* rec, const TextMetrics* m) {
    PointF lp[3];
    leader_points(rec, 18, lp);
    box_of_rotated_text(out, m, get_pointf(rec, 42), get_pointf(rec, 50), lp, (get_u8(rec, 8) >> 6) & 1, 0, 0);
    double x1 = get_f32(rec, 26), y1 = get_f32(rec, 30), x2 = get_f32(rec, 34), y2 = get_f32(rec, 38);
    int shape = (get_u16(rec, 8) >> 11) & 0x0F;
    Box frame = box_empty();
    if (shape == 1) {
        CircleGeom c{{x2, y2}, {(x1 + x2) / 2, (y1 + y2) / 2}};
        box_of_circle(&frame, &c);
    } else if (shape == 2) {
        box_normalize(&frame, x2, y2, (x1 + x2) / 2, y2 - std::fabs(x1 - x2) * std::cos(k_pi_over_6()));
    } else if (shape == 3) {
        double side = std::fmax(std::fabs(y1 - y2), std::fabs(x1 - x2)), cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
        frame = Box{cx - side / 2, cy - side / 2, cx + side / 2, cy + side / 2};
    }
    if (!box_is_empty(&frame)) box_union(out, &frame);
    if (get_u8(rec, 10) & 0x3F) {
        PointF corners[4] = {{static_cast<float>(x1), static_cast<float>(y1)},
                             {static_cast<float>(x2), static_cast<float>(y1)},
                             {static_cast<float>(x2), static_cast<float>(y2)},
                             {static_cast<float>(x1), static_cast<float>(y2)}};
        Box marks;
        if (kernel_measurers.leader_marks_box(rec, corners, get_pointf(rec, 18), &marks)) box_union(out, &marks);
    }
}

void box_of_two_point_annotation(Box* out, const uint8_t* rec) {
    uint16_t f = get_u16(rec, 8);
    PointF a = get_pointf(rec, (f & (0xc0 | 0xc00)) ? 38 : 22);
    PointF b = get_pointf(rec, (f & 0x3300) ? 46 : 30);
    // Corners stored in either order make the same box.
    box_normalize(out, a.x, a.y, b.x, b.y);
    box_widen(out, sheet_to_model_length(0.3));
}

void box_of_repeated_annotation(Box* out, const uint8_t* rec) {
    PointF a = get_pointf(rec, 18), b = get_pointf(rec, 26);
    uint16_t f = get_u16(rec, 8);
    double y2 = b.y;
    if (f & 0x200) {
        int n = (f >> 6) & 7;
        if (n < 1) n = 1;
        y2 = a.y + (b.y - a.y) * n;
    }
    box_normalize(out, a.x, a.y, b.x, y2);
    PointF s = get_pointf(rec, 42), e = get_pointf(rec, 50);
    Box seg;
    box_normalize(&seg, s.x, s.y, e.x, e.y);
    box_union(out, &seg);
    box_widen(out, sheet_to_model_length(0.25) / 2);
}

// ---------------------------------------------------------------- projection frame

void projection_store_frame(uint8_t* projection, const Box* B, int padded) {
    ProjectionFrameWindow* w = window_of(projection);
    if (!w) return;
    double one = std::trunc(sheet_to_model_length(1.0));
    double mx = (B->min_x != 0 || B->max_x != 0) ? one : 0;
    double my = (B->min_y != 0 || B->max_y != 0) ? one : 0;
    float lo[2] = {static_cast<float>(B->min_x - mx), static_cast<float>(B->min_y - my)};
    float hi[2] = {static_cast<float>(B->max_x + mx), static_cast<float>(B->max_y + my)};
    float sketch[2] = {w->sketch_width, w->sketch_height};
    int type = get_u16(projection, projection_type_word_offset) & 0x0F;
    bool shows_sketch = (w->sketch_width != 0 || w->sketch_height != 0) && current_stage() < 4 && type != 9;
    float origin[2], size[2];
    for (int i = 0; i < 2; ++i) {
        if (lo[i] < 0) {
            origin[i] = lo[i];
            hi[i] -= lo[i];
        } else {
            origin[i] = 0;
        }
        size[i] = shows_sketch ? std::fmax(std::fabs(origin[i]) + sketch[i], hi[i]) : hi[i];
    }
    put_pointf(projection, projection_area_origin_offset, PointF{origin[0], origin[1]});
    put_pointf(projection, projection_area_size_offset, PointF{size[0], size[1]});
    put_pointf(projection, projection_constructed_origin_offset, PointF{lo[0], lo[1]});
    w->area_origin = PointF{origin[0], origin[1]};
    w->area_size = PointF{size[0], size[1]};
    w->constructed_origin = PointF{lo[0], lo[1]};
    if (padded) {
        double p = sheet_to_model_length(0.6);
        PointF c0{static_cast<float>(B->min_x - p), static_cast<float>(B->min_y - p)};
        PointF c1{static_cast<float>(B->max_x + p), static_cast<float>(B->max_y + p)};
        put_pointf(projection, projection_frame_offset, c0);
        put_pointf(projection, projection_frame_offset + 8, c1);
        w->first_corner = c0;
    }
    w->frame_box = *B;
}

int projection_compute_extents(uint8_t* projection, int computed) {
    int stage = current_stage();
    Box box = box_empty();
    for (uint8_t* e = kernel_store.next(projection, chain_elements, nullptr, nullptr); e;
         e = kernel_store.next(projection, chain_elements, e, nullptr)) {
        uint16_t f = get_u16(e, 10);
        if (f & 0x8000) continue;
        int line = (f >> 4) & 0x0F;
        if (stage >= 5 && (((f >> 12) & 3) == 2 || line == 0 || (f & 0x800) || (stage >= 6 && line == 15)))
            continue;
        box_add_element(projection, &box, e);
    }
    if (*kernel_error_flag) return -1;
    Box elements = box;
    if (stage < 5 || box_is_empty(&box)) box_add_projection_points(projection, &box, computed);
    ProjectionFrameWindow* w = window_of(projection);
    if (box_is_empty(&box)) {
        if (w) {
            uint16_t tw = get_u16(projection, projection_type_word_offset);
            if ((tw & 0x10) || w->sketch_width == 0 || stage >= 4 || (tw & 0x0F) == 9)
                box = Box{0, 0, 0, 0};
            else
                box = Box{get_f32(projection, projection_area_origin_offset),
                          get_f32(projection, projection_area_origin_offset + 4), w->sketch_width, w->sketch_height};
            projection_store_frame(projection, &box, 1);
        }
        return 0;
    }
    projection_store_frame(projection, &box, 1);
    double m = sheet_to_model_length(10.0);
    Box padded = box;
    box_widen(&padded, m);
    projection_store_frame(projection, &padded, 0);
    if (w && !(get_u8(projection, projection_options_offset) & 0x20) && !box_is_empty(&elements)) {
        box_widen(&elements, m);
        w->frame_box = elements;
    }
    return 0;
}

namespace {

Box stored_frame(const uint8_t* projection) {
    PointF a = get_pointf(projection, projection_frame_offset), b = get_pointf(projection, projection_frame_offset + 8);
    return Box{a.x, a.y, b.x, b.y};
}

}  // namespace

void projection_extend_frame_to_element(uint8_t* projection, const uint8_t* element) {
    Box b = stored_frame(projection);
    box_add_element(projection, &b, element);
    projection_store_frame(projection, &b, 1);
}

void projection_extend_frame_to_point(uint8_t* projection, const uint8_t* point) {
    Box b = stored_frame(projection);
    box_widen(&b, 1);
    add_point(&b, get_f64(point, 12), get_f64(point, 20));
    projection_store_frame(projection, &b, 1);
}

void projection_compute_contour_extents(uint8_t* projection) {
    bool measure = current_stage() == 5 || (get_u16(projection, projection_type_word_offset) & 4);
    for (uint8_t* c = kernel_store.next(projection, chain_contours, nullptr, nullptr); c;
         c = kernel_store.next(projection, chain_contours, c, nullptr)) {
        if (*kernel_error_flag) return;
        int count = get_i16(c, 80);
        if (count <= 0 || (get_u16(c, 66) & 0x400)) continue;
        int room = static_cast<int>((get_u16(c, 0) - 82) / 4);
        if (count > room) count = room;
        std::vector<uint32_t> members;
        for (int i = 0; i < count; ++i) members.push_back(get_u32(c, 82 + 4 * static_cast<size_t>(i)));
        Box box = box_empty();
        double length = 0;
        for (uint8_t* e = kernel_store.next(projection, chain_elements, nullptr, nullptr); e;
             e = kernel_store.next(projection, chain_elements, e, nullptr)) {
            uint16_t f = get_u16(e, 10);
            if (!(f & 0x400) || (f & 0x3000)) continue;
            uint32_t number = get_u32(e, 2);
            for (uint32_t m : members) {
                if (m != number) continue;  // once per matching member
                int kind = element_kind(e);
                if (kind < 1 || kind > 5) continue;
                box_add_element(projection, &box, e);
                if (measure) length += element_record_length(e);
            }
        }
        put_box(c, 6, box);
        if (measure) put_f64(c, 38, length);
        kernel_store.changed(chain_contours, c);
    }
}

void projection_compute_annotation_extents(uint8_t* projection) {
    Box box = stored_frame(projection);
    for (uint8_t* d = kernel_store.next(projection, chain_dimensions, nullptr, nullptr); d;
         d = kernel_store.next(projection, chain_dimensions, d, nullptr)) {
        uint8_t shape = get_u8(d, 36);
        if (shape & 0x08) continue;
        int kind = shape >> 4;
        PointF a = get_pointf(d, 40), b = get_pointf(d, 48), c = get_pointf(d, 56);
        Box s;
        if (kind == 1) {
            box_normalize(&s, a.x, a.y, b.x, b.y);
            box_union(&box, &s);
        } else if (kind == 3) {
            ArcByCentre arc{{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
            box_of_segment_or_arc(&s, &arc, 3);
            box_union(&box, &s);
        }
    }
    for (uint8_t* r = kernel_store.next(projection, chain_annotation, nullptr, nullptr); r;
         r = kernel_store.next(projection, chain_annotation, r, nullptr)) {
        Box s = box_empty();
        TextMetrics m{};
        switch (get_u8(r, 6)) {
        case 0:
            if (get_u16(r, 8) & 0x1000) break;
            if (kernel_measurers.dimension_label_metrics(r, &m))
                box_of_dimension_label(&s, r, &m);
            break;
        case 1:
            if (kernel_measurers.annotation_text_metrics(r, &m))
                box_of_leader_annotation(&s, r, &m);
            break;
        case 3: box_of_two_point_annotation(&s, r); break;
        case 4:
            kernel_measurers.section_designation_bounds(r, &s);
            break;
        case 5:
            kernel_measurers.roughness_sign_bounds(r, &s);
            break;
        case 6: box_of_repeated_annotation(&s, r); break;
        default: break;
        }
        if (!box_is_empty(&s)) box_union(&box, &s);
    }
    box_widen(&box, sheet_to_model_length(10.0));
    projection_store_frame(projection, &box, 0);
}

// Arc-piece curves: smoothing and joining.
#include "geometry/curves.h"

#include "geometry/kernel_angles.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"

#include <cmath>
#include <cstring>

namespace {

Point2 mid(Point2 a, Point2 b) { return Point2{(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// Through point of the piece a -> b along the circle through a, b and the
// third point c, on the arc that does not contain c; the chord midpoint when
// there is no circle or that arc sweeps more than 120 degrees.
Point2 three_point_through(Point2 a, Point2 b, Point2 c) {
    ArcByPoints abc{a, b, c};
    Point2 k;
    int r = arc_center_from_three_points(&abc, &k);
    if (r == 0) return mid(a, b);
    ArcByCentre other = r > 0 ? ArcByCentre{a, b, k} : ArcByCentre{b, a, k};
    if (arc_sweep_angle(&other) > k_two_thirds_pi()) return mid(a, b);
    Point2 m;
    arc_midpoint(&other, &m);
    return m;
}

// Unit direction of travel at a of the arc a -> (through t) -> b with
// centre k and turn r (+1 increasing angle, -1 decreasing).
Point2 start_tangent(Point2 a, Point2 k, int r) {
    double rx = a.x - k.x, ry = a.y - k.y, l = std::hypot(rx, ry);
    return r > 0 ? Point2{-ry / l, rx / l} : Point2{ry / l, -rx / l};
}

// Direction of travel at the end b of the piece a -> b with through point t.
Point2 end_tangent(Point2 a, Point2 b, Point2 t) {
    ArcByPoints p{a, b, t};
    Point2 k;
    int r = arc_center_from_three_points(&p, &k);
    if (r == 0) {
        double l = std::hypot(b.x - a.x, b.y - a.y);
        return l == 0 ? Point2{1, 0} : Point2{(b.x - a.x) / l, (b.y - a.y) / l};
    }
    return start_tangent(b, k, r);
}

// Through point of the piece a -> b that leaves a along dir; false when the
// piece is straight.
bool tangent_through(Point2 a, Point2 b, Point2 dir, Point2* through) {
    double cx = b.x - a.x, cy = b.y - a.y, L = std::hypot(cx, cy);
    if (L == 0) return false;
    double q = std::atan2(cy, cx);
    // Fewer than 10 degrees between the incoming direction and the chord:
    // straight.
    double turn = std::fabs(std::remainder(q - std::atan2(dir.y, dir.x), k_two_pi()));
    if (turn < k_pi_over_18()) return false;
    // The centre lies on the normal of dir at a, at the distance that puts b
    // on the circle.
    double nx = -dir.y, ny = dir.x;
    double dot = nx * cx + ny * cy;
    if (compare_doubles(dot / L, 0) == 0) return false;
    double y = (L * L) / (2 * dot);
    Point2 c{a.x + nx * y, a.y + ny * y};
    double R = std::fabs(y);
    Point2 m = mid(a, b);
    double mx = m.x - c.x, my = m.y - c.y, ml = std::hypot(mx, my);
    if (ml == 0) return false;
    Point2 t{c.x + R * mx / ml, c.y + R * my / ml};
    ArcByPoints p{a, b, t};
    Point2 k;
    int r = arc_center_from_three_points(&p, &k);
    if (r == 0) return false;
    Point2 st = start_tangent(a, k, r);
    if (st.x * dir.x + st.y * dir.y < 0) {
        // The arc on the other side of the chord continues the direction.
        t = Point2{c.x - R * mx / ml, c.y - R * my / ml};
        p.through = t;
        if (arc_center_from_three_points(&p, &k) == 0) return false;
    }
    *through = t;
    return true;
}

}  // namespace

void smooth_curve_through_points(CurveVertex* v, int n, int closed, int three_point) {
    if (n < 2) return;
    if (three_point || n == 2) {
        for (int i = (closed && n > 3) ? 1 : 0; i <= n - 2; ++i) {
            if (n == 2) {
                v[i].through = mid(v[i].point, v[i + 1].point);
            } else if (i + 2 <= n - 1) {
                v[i].through = three_point_through(v[i].point, v[i + 1].point, v[i + 2].point);
            } else {
                v[i].through = three_point_through(v[i].point, v[i + 1].point, v[i - 1].point);
            }
        }
        return;
    }
    ToleranceGuard standing(tolerance_standing);
    Point2 dir;
    // A closed curve, or one whose piece 0 already bends along its minor arc
    // (the first wave of a wavy line), starts the tangent chain from piece 0
    // as given; otherwise the chain starts with a straight piece.
    ArcByPoints p0{v[0].point, v[1].point, v[0].through};
    ArcByCentre a0;
    bool bent = arc_by_points_to_centre(&p0, &a0) != 0 && (closed || arc_sweep_angle(&a0) < k_pi());
    if (bent) {
        dir = end_tangent(v[0].point, v[1].point, v[0].through);
    } else {
        v[0].through = mid(v[0].point, v[1].point);
        dir = end_tangent(v[0].point, v[1].point, v[0].through);
    }
    int first = 1;
    for (int i = first; i <= n - 2; ++i) {
        Point2 t;
        if (tangent_through(v[i].point, v[i + 1].point, dir, &t)) {
            v[i].through = t;
        } else {
            v[i].through = mid(v[i].point, v[i + 1].point);
        }
        dir = end_tangent(v[i].point, v[i + 1].point, v[i].through);
    }
}

namespace {

bool counts(const uint8_t* rec, uint32_t number, int mark) {
    uint16_t flags = get_u16(rec, curve_flags_offset);
    uint16_t style = get_u16(rec, curve_style_offset);
    if ((flags & 0x0F) != 5 || get_u32(rec, curve_number_offset) != number) return false;
    if (flags & 0x8000) return false;               // no ordinary element
    if (flags & 0x3200) return false;               // generated record, screening piece
    if (style & 0x600) return false;
    if (mark && !(style & curve_flag_image)) return false;
    return true;
}

// A heap copy of a curve record with room for `extra` more vertices.
uint8_t* copy_curve(const uint8_t* rec, int extra) {
    int n = get_i16(rec, curve_count_offset);
    // Never more vertices than the record's length holds.
    int room = static_cast<int>(get_u16(rec, curve_length_offset) / curve_vertex_stored_size);
    if (n > room) n = room;
    if (n < 0) n = 0;
    size_t bytes = curve_head_size + static_cast<size_t>(n + extra) * curve_vertex_stored_size;
    uint8_t* c = static_cast<uint8_t*>(kernel_alloc(bytes));
    if (!c) {
        kernel_report_out_of_memory();
        return nullptr;
    }
    std::memset(c, 0, bytes);
    // A stored record of 36 n bytes lacks the last vertex's through point.
    size_t stored = get_u16(rec, curve_length_offset);
    size_t want = curve_head_size + static_cast<size_t>(n) * curve_vertex_stored_size;
    if (stored < curve_head_size) stored = curve_head_size;
    std::memcpy(c, rec, stored < want ? stored : want);
    put_i16(c, curve_count_offset, static_cast<int16_t>(n));
    return c;
}

void set_length(uint8_t* c, int n) {
    size_t len = 36u * static_cast<size_t>(n);
    put_u16(c, curve_length_offset, len > 0xFFFF ? 0 : static_cast<uint16_t>(len));
}

}  // namespace

uint8_t* curve_join_pieces(uint8_t* projection, uint32_t number, const uint8_t* element, int mark) {
    if (element && !(get_u16(element, curve_style_offset) & curve_flag_continuation)) return copy_curve(element, 0);
    uint8_t* copy = element ? copy_curve(element, 0) : nullptr;
    if (element && !copy) return nullptr;
    size_t element_len = element ? get_u16(element, curve_length_offset) : 0;
    for (uint8_t* rec = kernel_store.next(projection, chain_elements, nullptr, nullptr); rec;
         rec = kernel_store.next(projection, chain_elements, rec, nullptr)) {
        if (!counts(rec, number, mark)) continue;
        if (element && get_u16(rec, curve_length_offset) == element_len && std::memcmp(rec, element, element_len) == 0)
            continue;  // the given record itself
        uint16_t style = get_u16(rec, curve_style_offset);
        if (!copy) {
            if (!(style & curve_flag_continuation)) {
                if (mark) {
                    put_u16(rec, curve_style_offset, static_cast<uint16_t>(style | curve_flag_continuation));
                    kernel_store.changed(chain_elements, rec);
                }
                return copy_curve(rec, 0);
            }
            copy = copy_curve(rec, 0);
            if (!copy) return nullptr;
            continue;
        }
        int have = get_i16(copy, curve_count_offset);
        int add = get_i16(rec, curve_count_offset);
        int room = static_cast<int>(get_u16(rec, curve_length_offset) / curve_vertex_stored_size);
        if (add > room) add = room;
        if (add <= 0) continue;
        if (have + add - 1 > 32767) continue;  // the count field holds no more
        size_t bytes = curve_head_size + static_cast<size_t>(have + add - 1) * curve_vertex_stored_size;
        uint8_t* grown = static_cast<uint8_t*>(kernel_alloc(bytes));
        if (!grown) {
            kernel_report_out_of_memory();
            kernel_free(copy);
            return nullptr;
        }
        std::memset(grown, 0, bytes);
        std::memcpy(grown, copy, curve_head_size + static_cast<size_t>(have) * curve_vertex_stored_size);
        kernel_free(copy);
        copy = grown;
        // The record's first vertex takes the place of the copy's last one.
        size_t avail = get_u16(rec, curve_length_offset);
        for (int j = 0; j < add; ++j) {
            size_t at = curve_vertices_offset + static_cast<size_t>(j) * curve_vertex_stored_size;
            CurveVertex cv{get_u32(rec, at), get_point2(rec, at + curve_vertex_point_offset), Point2{0, 0}};
            // The last vertex of a 36 n record has no through point stored.
            if (at + curve_vertex_stored_size <= avail) cv.through = get_point2(rec, at + curve_vertex_through_offset);
            curve_set_vertex(copy, have - 1 + j, cv);
        }
        put_i16(copy, curve_count_offset, static_cast<int16_t>(have + add - 1));
        set_length(copy, have + add - 1);
    }
    return copy;
}

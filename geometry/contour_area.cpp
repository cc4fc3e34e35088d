// Contour areas.
#include "geometry/contour_area.h"

#include "geometry/curves.h"
#include "geometry/intersect.h"
#include "geometry/kernel_angles.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"

#include <cmath>
#include <vector>

namespace {

bool same(Point2 a, Point2 b) { return points_equal(a.x, a.y, b.x, b.y) != 0; }

// Adds a piece's reference point with its weight (its length).
void add_reference(ContourAreaState* st, Point2 p, double length) {
    if (st->first) {
        st->ref_x = p.x;
        st->ref_y = p.y;
        st->weight = length;
        st->first = 0;
        return;
    }
    double w = st->weight + length;
    if (w > 0) {
        st->ref_x = (st->ref_x * st->weight + p.x * length) / w;
        st->ref_y = (st->ref_y * st->weight + p.y * length) / w;
    }
    st->weight = w;
}

// Whether the piece with ends a, b is entered at b.
bool entered_at_end(Point2 a, Point2 b, const Point2* prev, const ContourAreaState* st) {
    if (st->has_exit) {
        if (same(a, st->exit)) return false;
        if (same(b, st->exit)) return true;
    }
    int16_t reversed = 0;
    Point2 p[2] = {a, b};
    contour_piece_runs_right(p, prev, &reversed);
    return reversed != 0;
}

// Signed area under the straight piece from u to v.
double under_segment(Point2 u, Point2 v) {
    if (compare_doubles(u.x, v.x) == 0) return 0;
    double a = std::fabs(u.x - v.x) * std::fabs(u.y + v.y) / 2;
    return u.x <= v.x ? -a : a;
}

// Signed area under the x-monotone sub-arc from u to v (travelled that way)
// of a circle of radius r, sweeping s; mid is its middle point.
double under_sub_arc(Point2 u, Point2 v, Point2 mid, double s, double r) {
    double c = point_distance(u, v);
    if (c == 0) return 0;
    // A sub-arc within one half of its circle sweeps at most half a turn;
    // its middle tells on which side of the chord it bulges.
    double segment = (r * s - c * std::cos(s / 2)) * r / 2;
    double trapezoid = std::fabs(u.y + v.y) * std::fabs(u.x - v.x) / 2;
    double chord_mid_y = (u.y + v.y) / 2;
    double under = mid.y > chord_mid_y ? trapezoid + segment : trapezoid - segment;
    return u.x <= v.x ? -under : under;
}

double arc_area(const ArcByCentre& arc, bool reversed, ContourAreaState* st) {
    const Point2 K = arc.centre;
    double R = point_distance(arc.start, K);
    double sw = arc_sweep_angle(&arc);
    double as = std::atan2(arc.start.y - K.y, arc.start.x - K.x);
    double mid = as - sw / 2;
    add_reference(st, Point2{K.x + R * std::cos(sw / 4) * std::cos(mid), K.y + R * std::cos(sw / 4) * std::sin(mid)},
                  R * sw);
    // Cut where the arc crosses the horizontal line through its centre.
    ScanHit hits[2];
    int n = scanline_intersect_arc(K, &arc, 3, hits);
    std::vector<Point2> pts;
    pts.push_back(arc.start);
    for (int i = 0; i < n; ++i) {
        Point2 h{hits[i].x, hits[i].y};
        if (!same(h, arc.start) && !same(h, arc.end)) pts.push_back(h);
    }
    if (pts.size() == 3) {
        // Order the cuts along the arc.
        Point2 p[3] = {pts[0], pts[1], pts[2]};
        sort_points_on_arc(&arc, p, 3);
        pts.assign(p, p + 3);
    }
    pts.push_back(arc.end);
    bool full = same(arc.start, arc.end);
    double sum = 0;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        Point2 u = pts[i], v = pts[i + 1];
        if (same(u, v) && !full) continue;
        ArcByCentre sub{u, v, K};
        double ssw = arc_sweep_angle(&sub);
        double a = std::atan2(u.y - K.y, u.x - K.x) - ssw / 2;
        Point2 m{K.x + R * std::cos(a), K.y + R * std::sin(a)};
        double part = under_sub_arc(u, v, m, ssw, R);
        sum += reversed ? -part : part;
    }
    st->exit = reversed ? arc.start : arc.end;
    st->has_exit = 1;
    return sum;
}

}  // namespace

int contour_piece_runs_right(const Point2* p, const Point2* q, int16_t* reversed) {
    bool at_p0 = same(p[0], q[0]) || same(p[0], q[1]);
    if (reversed) *reversed = at_p0 ? 0 : 1;
    Point2 entry = at_p0 ? p[0] : p[1], exit = at_p0 ? p[1] : p[0];
    return compare_doubles(entry.x, exit.x) <= 0 ? 1 : 0;
}

double contour_piece_area(const Point2* g, int kind, const Point2* prev, ContourAreaState* st) {
    ArcByCentre arc{g[0], g[1], kind >= 3 ? g[2] : g[1]};
    bool is_arc = false;
    if (kind == 3) {
        is_arc = true;
    } else if (kind == 4) {
        ArcByPoints p{g[0], g[1], g[2]};
        is_arc = arc_by_points_to_centre(&p, &arc) != 0;
        if (!is_arc) arc = ArcByCentre{g[0], g[1], g[1]};
    }
    if (!is_arc) {
        bool rev = entered_at_end(g[0], g[1], prev, st);
        Point2 u = rev ? g[1] : g[0], v = rev ? g[0] : g[1];
        add_reference(st, Point2{(u.x + v.x) / 2, (u.y + v.y) / 2}, point_distance(u, v));
        st->exit = v;
        st->has_exit = 1;
        return under_segment(u, v);
    }
    bool rev = entered_at_end(arc.start, arc.end, prev, st);
    return arc_area(arc, rev, st);
}

namespace {

struct Piece {
    int kind;  // 1, 3 or 4
    Point2 g[3];
};

// The pieces of an element, in stored order; false for kinds that make none.
bool element_pieces(const uint8_t* e, std::vector<Piece>* out, Point2* first, Point2* last) {
    int kind = get_u16(e, curve_flags_offset) & 0x0F;
    out->clear();
    if (kind == 1) {
        out->push_back(Piece{1, {get_point2(e, 22), get_point2(e, 38), Point2{0, 0}}});
    } else if (kind == 3 || kind == 4) {
        out->push_back(Piece{kind, {get_point2(e, 26), get_point2(e, 42), get_point2(e, 58)}});
    } else if (kind == 5) {
        int n = get_i16(e, curve_count_offset);
        int room = static_cast<int>(get_u16(e, curve_length_offset) / curve_vertex_stored_size);
        if (n > room) n = room;
        for (int i = 0; i + 1 < n; ++i) {
            CurveVertex a = curve_vertex(e, i);
            Point2 b = get_point2(e, curve_vertices_offset + static_cast<size_t>(i + 1) * curve_vertex_stored_size + 4);
            out->push_back(Piece{4, {a.point, b, a.through}});
        }
    } else {
        return false;
    }
    if (out->empty()) return false;
    *first = out->front().g[0];
    *last = out->back().g[1];
    return true;
}

struct PiecesActive {
    int saved;
    explicit PiecesActive(int on) : saved(*kernel_contour_pieces_active) {
        if (on) *kernel_contour_pieces_active = 1;
    }
    ~PiecesActive() { *kernel_contour_pieces_active = saved; }
};

}  // namespace

int contour_measure_area(uint8_t* projection, uint8_t* target, const uint8_t* contour, int flag) {
    DocumentLockGuard lock;
    PiecesActive active(flag);
    const double base = get_f64(target, contour_box_offset + 8);
    const double min_x = get_f64(target, contour_box_offset);
    int count = get_i16(contour, contour_member_count_offset);
    // Never more members than the record's length holds.
    int room = (static_cast<int>(get_u16(contour, 0)) - static_cast<int>(contour_members_offset)) / 4;
    if (count > room) count = room;
    if (count < 0) count = 0;
    auto store = [&](double area, double rx, double ry) {
        put_f64(target, contour_area_offset, area);
        put_f32(target, contour_reference_x_offset, static_cast<float>(rx));
        put_f32(target, contour_reference_y_offset, static_cast<float>(ry));
        kernel_store.changed(chain_contours, target);
    };
    auto fail = [&]() {
        // No area that looks valid; the caller learns it from the flag.
        store(0, 0, 0);
        *kernel_error_flag = 1;
        return -1;
    };
    // Every member's pieces, y taken relative to the base line.
    std::vector<std::vector<Piece>> members;
    std::vector<std::pair<Point2, Point2>> ends;
    for (int m = 0; m < count; ++m) {
        uint32_t key = get_u32(contour, contour_members_offset + 4 * static_cast<size_t>(m));
        const uint8_t* e = kernel_store.find_element(projection, nullptr, key);
        if (!e) return fail();
        int kind = get_u16(e, curve_flags_offset) & 0x0F;
        if (kind == 2) {
            Point2 on = get_point2(e, 22), c = get_point2(e, 38);
            double r = point_distance(on, c);
            // One circle alone encloses pi r^2, its centre the reference point;
            // a circle among other members encloses nothing measurable.
            if (count == 1) store(k_pi() * r * r, c.x - min_x, c.y - base);
            else store(0, 0, 0);
            return 0;
        }
        std::vector<Piece> pieces;
        Point2 first, last;
        if (!element_pieces(e, &pieces, &first, &last)) continue;
        for (Piece& p : pieces)
            for (Point2& q : p.g) q.y -= base;
        first.y -= base;
        last.y -= base;
        members.push_back(pieces);
        ends.push_back({first, last});
    }
    ContourAreaState st{1, 0, 0, 0, 0, {0, 0}};
    // The first member leaves at the end it shares with the second.
    if (members.size() > 1) {
        bool end_shared = same(ends[0].second, ends[1].first) || same(ends[0].second, ends[1].second);
        bool start_shared = same(ends[0].first, ends[1].first) || same(ends[0].first, ends[1].second);
        st.has_exit = 1;
        st.exit = (!end_shared && start_shared) ? ends[0].second : ends[0].first;
    }
    double sum = 0;
    for (size_t m = 0; m < members.size(); ++m) {
        const std::vector<Piece>& pieces = members[m];
        const std::pair<Point2, Point2>& prev_ends = ends[m == 0 ? members.size() - 1 : m - 1];
        Point2 prev[2] = {prev_ends.first, prev_ends.second};
        // A curve entered at its last vertex is walked backward.
        bool backward = st.has_exit ? (same(ends[m].second, st.exit) && !same(ends[m].first, st.exit))
                                    : false;
        for (size_t i = 0; i < pieces.size(); ++i) {
            const Piece& p = pieces[backward ? pieces.size() - 1 - i : i];
            sum += contour_piece_area(p.g, p.kind, prev, &st);
        }
    }
    store(std::fabs(sum), st.ref_x - min_x, st.ref_y);
    return 0;
}

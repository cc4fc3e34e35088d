// Bars: the bar records, the rebuilding of their outlines and the creation,
// joining and deletion of bars.
#include "stages/points_elements/bars.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>
#include <cstdlib>

#include "base/program_messages.h"
#include "geometry/intersect.h"
#include "geometry/metric.h"
#include "geometry/nearest_points.h"
#include "geometry/tolerance.h"
#include "geometry/units_scale.h"
#include "stages/points_elements/element_rebuild.h"
#include "stages/points_elements/element_records.h"
#include "store/number_pools.h"
#include "store/records.h"

namespace {

PageBuffer* construction_buffer() { return &page_buffers[table_construction]; }
PageBuffer* element_buffer() { return &page_buffers[table_elements]; }
PageBuffer* point_buffer() { return &page_buffers[table_points]; }

bool is_bar(const unsigned char* r) {
    uint16_t len = get_u16(r, record_length);
    return r[record_kind] == construction_kind_bar && (len == bar_record_size || len == bar_record_size_corners);
}

// A copy of a bar record with the place it was read from.
struct Bar {
    RecordRef ref;
    unsigned char rec[bar_record_size_corners];
    uint32_t length() const { return get_u16(rec, record_length); }
    uint16_t flags() const { return get_u16(rec, bar_flags); }
};

std::vector<Bar> read_bars(DrawingFile* df, unsigned char* projection) {
    std::vector<Bar> bars;
    RecordRef* head = projection_chain(projection, projection_construction);
    PageBuffer* b = construction_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (!is_bar(r)) continue;
        Bar bar{};
        bar.ref = record_ref_of(b, r);
        std::memcpy(bar.rec, r, get_u16(r, record_length));
        bars.push_back(bar);
    }
    return bars;
}

// Writes the bar copies back in place (no record of the chain was added or
// deleted since they were read).
void write_bars(DrawingFile* df, const std::vector<Bar>& bars) {
    PageBuffer* b = construction_buffer();
    for (const Bar& bar : bars) {
        RecordRef at = bar.ref;
        unsigned char* r = record_read_at(df, &at, b);
        if (!r || get_u16(r, record_length) != bar.length()) continue;
        std::memcpy(r, bar.rec, bar.length());
        b->clean = 0;
    }
}

void message_of(const BarHooks& hooks, const char* text) {
    if (hooks.message) hooks.message(text);
    else show_program_message(text);
}

// ---------------------------------------------------------------- pieces

enum { piece_line = 1, piece_circle = 2, piece_arc = 3 };

// A piece of geometry in the direction of travel: a line {from, to}, a
// circle {on circle, centre}, an arc {from, to, centre} that runs
// clockwise (decreasing angle, as stored arcs do) unless ccw.
struct Piece {
    int kind = piece_line;
    bool ccw = false;
    Point2 g[3] = {};
};

// An outline piece of one bar.
struct OutlinePiece {
    int id;
    size_t bar;
    uint32_t element;
    int side;
    bool hidden;
    Piece geo;
    uint32_t pts[3];
};

// A centre piece of one bar with its half width.
struct CentrePiece {
    size_t bar;
    Piece geo;
    double half;
};

Point2 add(Point2 a, Point2 b, double k) { return {a.x + k * b.x, a.y + k * b.y}; }

double radius_of(const Piece& p) { return point_distance(p.g[0], p.g[p.kind == piece_circle ? 1 : 2]); }

// The stored arc (clockwise from start to end) of an arc piece.
ArcByCentre stored_arc(const Piece& p) {
    ArcByCentre a;
    a.start = p.ccw ? p.g[1] : p.g[0];
    a.end = p.ccw ? p.g[0] : p.g[1];
    a.centre = p.g[2];
    return a;
}

Point2 middle_of(const Piece& p) {
    if (p.kind == piece_line) return {(p.g[0].x + p.g[1].x) / 2, (p.g[0].y + p.g[1].y) / 2};
    ArcByCentre a = stored_arc(p);
    Point2 m{};
    arc_midpoint(&a, &m);
    return m;
}

// Distance of q from the centre piece, or -1 when its foot is not on it.
double distance_with_foot(const Piece& p, Point2 q) {
    int16_t count = 0;
    Point2 nearest{};
    if (p.kind == piece_line) {
        Segment s{p.g[0], p.g[1]};
        double d = point_segment_distance(&s, q, &count, &nearest);
        return count > 0 ? d : -1;
    }
    if (p.kind == piece_circle) return std::fabs(point_distance(q, p.g[1]) - radius_of(p));
    ArcByCentre a = stored_arc(p);
    double d = point_arc_distance(&a, q, &count, &nearest);
    return count > 0 ? d : -1;
}

// The left normal of the travel direction at the end (0 from, 1 to) of a
// line or arc piece.
Point2 left_normal(const Piece& p, int end) {
    if (p.kind == piece_line) {
        double dx = p.g[1].x - p.g[0].x, dy = p.g[1].y - p.g[0].y;
        if (dy == 0) return {0, dx > 0 ? 1.0 : -1.0};
        if (dx == 0) return {dy > 0 ? -1.0 : 1.0, 0};
        double len = std::hypot(dx, dy);
        return {-dy / len, dx / len};
    }
    Point2 at = p.g[end], c = p.g[2];
    double r = point_distance(at, c);
    if (r == 0) return {0, 0};
    // Clockwise travel has the outside on its left, counter-clockwise the
    // inside.
    double k = p.ccw ? -1.0 : 1.0;
    return {k * (at.x - c.x) / r, k * (at.y - c.y) / r};
}

Point2 rotate_about(Point2 p, Point2 c, double angle) {
    double s = std::sin(angle), co = std::cos(angle);
    double dx = p.x - c.x, dy = p.y - c.y;
    return {c.x + co * dx - s * dy, c.y + s * dx + co * dy};
}

// Lengthens a line or arc piece by len at its start or end.
void lengthen(Piece& p, int end, double len) {
    if (p.kind == piece_line) {
        double dx = p.g[1].x - p.g[0].x, dy = p.g[1].y - p.g[0].y;
        double l = std::hypot(dx, dy);
        if (l == 0) return;
        double k = end == 0 ? -len / l : len / l;
        p.g[end] = add(p.g[end], {dx, dy}, k);
        return;
    }
    double r = radius_of(p);
    if (r == 0) return;
    // Travel runs with decreasing angle (clockwise) unless ccw.
    double turn = len / r * (p.ccw ? 1.0 : -1.0);
    p.g[end] = rotate_about(p.g[end], p.g[2], end == 0 ? -turn : turn);
}

// The intersections of the supports (infinite line or full circle) of two
// pieces; returns the count.
int support_intersections(const Piece& a, const Piece& b, Point2 out[2]) {
    auto line_circle = [&](const Piece& line, const Piece& circ) {
        double angle = std::atan2(line.g[1].y - line.g[0].y, line.g[1].x - line.g[0].x);
        return static_cast<int>(intersect_line_circle(line.g[0], angle, circ.g[2], radius_of(circ), out));
    };
    if (a.kind == piece_line && b.kind == piece_line) {
        double d1x = a.g[1].x - a.g[0].x, d1y = a.g[1].y - a.g[0].y;
        double d2x = b.g[1].x - b.g[0].x, d2y = b.g[1].y - b.g[0].y;
        double den = d1x * d2y - d1y * d2x;
        double scale = std::hypot(d1x, d1y) * std::hypot(d2x, d2y);
        if (scale == 0 || std::fabs(den) <= 1e-12 * scale) return 0;
        double t = ((b.g[0].x - a.g[0].x) * d2y - (b.g[0].y - a.g[0].y) * d2x) / den;
        out[0] = {a.g[0].x + t * d1x, a.g[0].y + t * d1y};
        return 1;
    }
    if (a.kind == piece_line) return line_circle(a, b);
    if (b.kind == piece_line) return line_circle(b, a);
    return intersect_circles(a.g[2], radius_of(a), b.g[2], radius_of(b), out);
}

// Joins a side piece to the previous piece of its side along a curve: the
// ends that meet (previous end and new start for side 1, reversed for side
// 4) move to the intersection of the two supports nearer the previous
// piece's end.  Pieces whose supports do not meet keep their ends.
void bar_join_pieces(OutlinePiece& previous, OutlinePiece& piece) {
    int prev_end = piece.side == 1 ? 1 : 0;
    int new_end = piece.side == 1 ? 0 : 1;
    Point2 hits[2];
    int n = support_intersections(previous.geo, piece.geo, hits);
    if (n <= 0) return;
    Point2 at = hits[0];
    if (n > 1 && point_distance(hits[1], previous.geo.g[prev_end]) < point_distance(at, previous.geo.g[prev_end]))
        at = hits[1];
    previous.geo.g[prev_end] = at;
    piece.geo.g[new_end] = at;
}

// ---------------------------------------------------------------- building

struct Builder {
    DrawingFile* df;
    unsigned char* projection;
    std::vector<Bar>* bars;
    std::vector<OutlinePiece> pieces;
    std::vector<CentrePiece> centres;
    int next_id = 1;
    // Four-point symbols on moved corner points (may be null).
    std::vector<uint32_t>* pictures = nullptr;

    OutlinePiece* previous_of(size_t bar, uint32_t element, int side, int id) {
        OutlinePiece* best = nullptr;
        for (OutlinePiece& p : pieces)
            if (p.bar == bar && p.element == element && p.side == side && p.id < id && (!best || p.id > best->id))
                best = &p;
        return best;
    }

    void push(size_t bar, uint32_t element, int side, const Piece& g, uint32_t a, uint32_t b) {
        OutlinePiece p{};
        p.id = next_id++;
        p.bar = bar;
        p.element = element;
        p.side = side;
        p.geo = g;
        p.pts[0] = a;
        p.pts[1] = b;
        pieces.push_back(p);
    }

    // Offsets one line or arc centre piece from P1 (point number n1) to P2.
    void offset(size_t bi, uint32_t element, Piece centre, double h, bool start_open, bool end_open, uint32_t n1,
                uint32_t n2) {
        Bar& bar = (*bars)[bi];
        uint16_t flags = bar.flags();
        if (start_open && (flags & bar_flag_lengthen_start)) lengthen(centre, 0, h);
        if (end_open && (flags & bar_flag_lengthen_end)) lengthen(centre, 1, h);
        centres.push_back({bi, centre, h});
        Point2 p1 = centre.g[0], p2 = centre.g[1];
        Point2 na = left_normal(centre, 0), nb = left_normal(centre, 1);
        Point2 c[4] = {add(p1, na, h), add(p1, na, -h), add(p2, nb, h), add(p2, nb, -h)};
        uint32_t corner[4] = {0, 0, 0, 0};
        bool corners = bar.length() == bar_record_size_corners;
        for (int k = 0; k < 4; ++k) {
            bool want = k < 2 ? start_open && (flags & bar_flag_corners_start) : end_open && (flags & bar_flag_corners_end);
            if (corners && want) corner[k] = bar_corner_point_set(df, projection, bar.ref, k, c[k], pictures);
        }
        if (corners) {
            // bar_corner_point_set wrote the numbers into the stored record.
            RecordRef at = bar.ref;
            unsigned char* r = record_read_at(df, &at, construction_buffer());
            if (r) std::memcpy(bar.rec + bar_corners, r + bar_corners, 16);
        }
        auto line = [](Point2 a, Point2 b) {
            Piece p;
            p.kind = piece_line;
            p.g[0] = a;
            p.g[1] = b;
            return p;
        };
        auto side = [&](Point2 a, Point2 b, bool reversed) {
            Piece p = centre;
            p.g[0] = a;
            p.g[1] = b;
            if (reversed) p.ccw = !p.ccw;
            return p;
        };
        if (start_open) push(bi, element, 0, line(p1, c[0]), n1, corner[0]);
        push(bi, element, 1, side(c[0], c[2], false), corner[0], corner[2]);
        if (!start_open) {
            if (OutlinePiece* prev = previous_of(bi, element, 1, pieces.back().id)) bar_join_pieces(*prev, pieces.back());
        }
        if (end_open) {
            push(bi, element, 2, line(c[2], p2), corner[2], n2);
            push(bi, element, 3, line(p2, c[3]), n2, corner[3]);
        }
        push(bi, element, 4, side(c[3], c[1], true), corner[3], corner[1]);
        if (!start_open) {
            if (OutlinePiece* prev = previous_of(bi, element, 4, pieces.back().id)) bar_join_pieces(*prev, pieces.back());
        }
        if (start_open) push(bi, element, 5, line(c[1], p1), corner[1], n1);
    }

    void circle(size_t bi, uint32_t element, Point2 on, Point2 centre, double h, uint32_t n1, uint32_t n2) {
        double r = point_distance(on, centre);
        if (r == 0) return;
        Piece c;
        c.kind = piece_circle;
        c.g[0] = on;
        c.g[1] = centre;
        centres.push_back({bi, c, h});
        Point2 u{(on.x - centre.x) / r, (on.y - centre.y) / r};
        if (r - h > 0) {
            Piece in = c;
            in.g[0] = add(centre, u, r - h);
            push(bi, element, 1, in, 0, n2);
        }
        Piece out = c;
        out.g[0] = add(centre, u, r + h);
        push(bi, element, 4, out, 0, n2);
        (void)n1;
    }

    // An arc of kind 3 or 4 (or a curve piece through three points) as a
    // travel piece from `from` to `to`; false when it is no arc.
    static bool arc_piece(int kind, Point2 a, Point2 b, Point2 third, Piece* out) {
        if (kind == element_kind_arc_centre) {
            out->kind = piece_arc;
            out->ccw = false;
            out->g[0] = a;
            out->g[1] = b;
            out->g[2] = third;
            return point_distance(a, third) > 0;
        }
        ArcByPoints ap{a, b, third};
        Point2 c{};
        int16_t dir = arc_center_from_three_points(&ap, &c);
        if (dir == 0) return false;
        out->kind = piece_arc;
        out->ccw = dir > 0;
        out->g[0] = a;
        out->g[1] = b;
        out->g[2] = c;
        return true;
    }

    void element(size_t bi, const unsigned char* r) {
        Bar& bar = (*bars)[bi];
        int kind = element_kind(r);
        uint32_t number = get_u32(r, element_number);
        double h = nominal_to_view_length(projection, get_f64(bar.rec, bar_width) * 0.5, 0);
        if (kind == element_kind_segment) {
            Piece p;
            p.g[0] = get_point2(r, element_coords2);
            p.g[1] = get_point2(r, element_coords2 + 16);
            if (point_distance(p.g[0], p.g[1]) == 0) return;
            offset(bi, number, p, h, true, true, get_u32(r, element_points), get_u32(r, element_points + 4));
        } else if (kind == element_kind_circle) {
            circle(bi, number, get_point2(r, element_coords2), get_point2(r, element_coords2 + 16), h,
                   get_u32(r, element_points), get_u32(r, element_points + 4));
        } else if (kind == element_kind_arc_centre || kind == element_kind_arc_points) {
            Point2 a = get_point2(r, element_coords3), b = get_point2(r, element_coords3 + 16);
            Point2 t = get_point2(r, element_coords3 + 32);
            Piece p;
            if (!arc_piece(kind, a, b, t, &p)) {
                p = Piece();
                p.g[0] = a;
                p.g[1] = b;
            }
            if (point_distance(p.g[0], p.g[1]) == 0) return;
            offset(bi, number, p, h, true, true, get_u32(r, element_points), get_u32(r, element_points + 4));
        } else if (kind == element_kind_curve) {
            int n = get_i16(r, curve_count);
            uint32_t len = get_u16(r, record_length);
            if (n < 2 || curve_vertices + curve_vertex_size * static_cast<uint32_t>(n - 1) + curve_vertex_through_x > len)
                return;
            bool closed = (get_u16(r, element_options) & element_opt_closed) != 0;
            for (int i = 0; i + 1 < n; ++i) {
                CurveVertex v = element_curve_vertex(r, i), w = element_curve_vertex(r, i + 1);
                Piece p;
                if (!arc_piece(element_kind_arc_points, v.point, w.point, v.through, &p)) {
                    p = Piece();
                    p.g[0] = v.point;
                    p.g[1] = w.point;
                }
                if (point_distance(p.g[0], p.g[1]) == 0) continue;
                offset(bi, number, p, h, i == 0 && !closed, i + 2 == n && !closed, v.point_number, w.point_number);
            }
        }
    }

    // Hides every piece whose middle lies within another bar's half width
    // of that bar's centre piece.
    void hide() {
        ToleranceGuard guard(tolerance_standing);
        for (OutlinePiece& p : pieces) {
            if (p.geo.kind == piece_circle) continue;
            Point2 m = middle_of(p.geo);
            for (const CentrePiece& c : centres) {
                if (c.bar == p.bar) continue;
                double d = distance_with_foot(c.geo, m);
                if (d >= 0 && compare_doubles(d, c.half) < 0) {
                    p.hidden = true;
                    break;
                }
            }
        }
    }

    // The outline element records.
    int store() {
        int stored = 0;
        RecordRef* head = projection_chain(projection, projection_elements);
        for (const OutlinePiece& p : pieces) {
            Bar& bar = (*bars)[p.bar];
            uint32_t slot = bar_slots + bar_slot_size * static_cast<uint32_t>(p.side);
            uint32_t number = get_u32(bar.rec, slot);
            if (!number) {
                number = element_number_alloc();
                if (!number) continue;
                put_u32(bar.rec, slot, number);
            }
            uint16_t type = get_u16(bar.rec, slot + 6);
            int line_type = p.hidden ? 0 : (type & bar_slot_line_type);
            unsigned char rec[element_size3] = {};
            bool arc = p.geo.kind == piece_arc;
            uint16_t length = arc ? element_size3 : element_size2;
            put_u16(rec, record_length, length);
            put_u32(rec, element_number, number);
            put_u16(rec, element_level, get_u16(bar.rec, slot + 4));
            int kind = arc ? element_kind_arc_centre : p.geo.kind == piece_circle ? element_kind_circle : element_kind_segment;
            uint16_t flags = static_cast<uint16_t>(kind | (line_type << 4));
            if (type & bar_slot_route) flags |= element_flag_contour_member;
            put_u16(rec, element_flags, flags);
            put_u16(rec, element_options, element_opt_bar_outline);
            if (arc) {
                ArcByCentre a = stored_arc(p.geo);
                put_u32(rec, element_points, p.geo.ccw ? p.pts[1] : p.pts[0]);
                put_u32(rec, element_points + 4, p.geo.ccw ? p.pts[0] : p.pts[1]);
                put_point2(rec, element_coords3, a.start);
                put_point2(rec, element_coords3 + 16, a.end);
                put_point2(rec, element_coords3 + 32, a.centre);
            } else {
                put_u32(rec, element_points, p.pts[0]);
                put_u32(rec, element_points + 4, p.pts[1]);
                put_point2(rec, element_coords2, p.geo.g[0]);
                put_point2(rec, element_coords2 + 16, p.geo.g[1]);
            }
            if (!record_add(df, head, rec, element_buffer())) return -1;
            ++stored;
        }
        return stored;
    }
};

// Deletes the element records with options bit 4 (bar outlines).
void delete_outlines(DrawingFile* df, unsigned char* projection, const std::set<uint32_t>* only) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag;) {
        bool outline = get_u16(r, record_length) >= element_head_size &&
                       (get_u16(r, element_options) & element_opt_bar_outline) &&
                       (!only || only->count(get_u32(r, element_number)));
        r = outline ? record_delete_and_next(df, head, r, eb) : record_next(df, head, r, eb);
    }
}

// Element records of a number: calls op on each (chain order) until it
// returns false.
template <typename Op>
void each_element(DrawingFile* df, unsigned char* projection, Op op) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag; r = record_next(df, head, r, eb)) {
        if (get_u16(r, record_length) < element_head_size) continue;
        if (!op(r)) break;
    }
}

bool carries_bar(const unsigned char* r) {
    int kind = element_kind(r);
    if (kind < element_kind_segment || kind > element_kind_curve) return false;
    if (!element_record_valid(r)) return false;
    if (get_u16(r, element_flags) & (element_flag_screen_piece | element_flag_purge)) return false;
    return !(get_u16(r, element_options) & element_opt_bar_outline);
}

}  // namespace

bool projection_has_bars(DrawingFile* df, unsigned char* projection) {
    RecordRef* head = projection_chain(projection, projection_construction);
    PageBuffer* b = construction_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b))
        if (is_bar(r)) return true;
    return false;
}

uint32_t bar_corner_point_set(DrawingFile* df, unsigned char* projection, RecordRef bar, int slot, Point2 at,
                              std::vector<uint32_t>* pictures) {
    if (slot < 0 || slot > 3) return 0;
    RecordRef ref = bar;
    unsigned char* r = record_read_at(df, &ref, construction_buffer());
    if (!r || get_u16(r, record_length) != bar_record_size_corners) return 0;
    uint32_t number = get_u32(r, bar_corners + 4 * slot);
    RecordRef* points = projection_chain(projection, projection_points);
    if (number) {
        RecordRef from = 0;
        unsigned char* p = record_find_key(df, points, number, &from, point_buffer());
        if (p && get_u16(p, record_length) == point_record_size && (get_u16(p, point_flags) & point_flag_no_dimension)) {
            Point2 was = get_point2(p, point_sketch_x);
            put_point2(p, point_sketch_x, at);
            put_point2(p, point_true_x, at);
            point_buffer()->clean = 0;
            if (was.x != at.x || was.y != at.y) rebuild_elements_of_point(df, projection, number, at, nullptr, pictures);
            return error_flag ? 0 : number;
        }
        if (p) number = 0;  // the number went to a point of the user's
    }
    if (number) point_number_mark_used(number);
    else number = point_number_alloc();
    if (!number) return 0;
    unsigned char rec[point_record_size] = {};
    put_u16(rec, record_length, point_record_size);
    put_u32(rec, point_number, number);
    put_u16(rec, point_flags, point_flag_no_dimension);
    put_point2(rec, point_sketch_x, at);
    put_point2(rec, point_true_x, at);
    if (!record_add(df, points, rec, point_buffer())) return 0;
    ref = bar;
    r = record_read_at(df, &ref, construction_buffer());
    if (!r) return 0;
    put_u32(r, bar_corners + 4 * slot, number);
    construction_buffer()->clean = 0;
    return number;
}

int rebuild_bars(DrawingFile* df, unsigned char* projection, std::vector<uint32_t>* pictures) {
    error_flag = 0;
    if (!df || !projection) return -1;
    delete_outlines(df, projection, nullptr);
    if (error_flag) return -1;
    std::vector<Bar> bars = read_bars(df, projection);
    if (error_flag) return -1;
    if (bars.empty()) return 0;
    for (Bar& bar : bars)
        put_u16(bar.rec, bar_flags, static_cast<uint16_t>(bar.flags() & ~(bar_flag_built | bar_flag_has_element)));

    // The centre elements by number.
    std::map<uint32_t, std::vector<size_t>> by_element;
    for (size_t i = 0; i < bars.size(); ++i) by_element[get_u32(bars[i].rec, bar_element)].push_back(i);
    std::vector<std::vector<unsigned char>> centre_records;
    std::vector<size_t> centre_bar;
    each_element(df, projection, [&](unsigned char* r) {
        auto it = by_element.find(get_u32(r, element_number));
        if (it == by_element.end() || !carries_bar(r)) return true;
        for (size_t bi : it->second) {
            centre_records.emplace_back(r, r + get_u16(r, record_length));
            centre_bar.push_back(bi);
            bars[bi].rec[bar_flags + 1] |= static_cast<unsigned char>(bar_flag_has_element >> 8);
        }
        return true;
    });
    if (error_flag) return -1;

    Builder builder{df, projection, &bars, {}, {}, 1, pictures};
    for (size_t i = 0; i < centre_records.size() && !error_flag; ++i) builder.element(centre_bar[i], centre_records[i].data());
    if (error_flag) return -1;
    builder.hide();
    for (Bar& bar : bars)
        if (bar.flags() & bar_flag_has_element)
            put_u16(bar.rec, bar_flags, static_cast<uint16_t>(bar.flags() | bar_flag_built));
    write_bars(df, bars);
    int stored = builder.store();
    if (stored < 0 || error_flag) return -1;
    // Slot numbers taken while storing.
    write_bars(df, bars);

    // Bars whose centre element is gone.
    std::vector<RecordRef> orphans;
    for (const Bar& bar : bars)
        if (!(bar.flags() & bar_flag_has_element)) orphans.push_back(bar.ref);
    if (!orphans.empty())
        delete_collected_records(df, projection_chain(projection, projection_construction), orphans, construction_buffer());
    return error_flag ? -1 : stored;
}

uint16_t next_free_bar_number(DrawingFile* df, unsigned char* projection) {
    std::vector<bool> used(65536, false);
    for (const Bar& bar : read_bars(df, projection)) used[get_u16(bar.rec, bar_number)] = true;
    for (uint32_t n = 1; n <= 65534; ++n)
        if (!used[n]) return static_cast<uint16_t>(n);
    return 0;
}

bool element_uses_fixed_point(DrawingFile* df, unsigned char* projection, const unsigned char* element) {
    std::vector<uint32_t> numbers;
    ElementPointPlace places[64];
    int n = element_point_places(element, places, 64);
    for (int i = 0; i < n; ++i)
        if (places[i].number) numbers.push_back(places[i].number);
    RecordRef* points = projection_chain(projection, projection_points);
    for (uint32_t number : numbers) {
        RecordRef from = 0;
        unsigned char* p = record_find_key(df, points, number, &from, point_buffer());
        if (p && get_u16(p, record_length) == point_record_size && (get_u16(p, point_flags) & point_flag_no_dimension))
            return true;
    }
    return false;
}

BarDialogView bar_dialog_examine(DrawingFile* df, unsigned char* projection) {
    BarDialogView view;
    std::vector<Bar> bars = read_bars(df, projection);
    auto take = [&](const Bar& bar) {
        if (view.width_known) return;
        view.width_known = true;
        view.width = get_f64(bar.rec, bar_width);
        view.width_variable = get_u16(bar.rec, bar_width_variable);
    };
    each_element(df, projection, [&](unsigned char* r) {
        if (!(get_u16(r, element_flags) & element_flag_marked)) return true;
        uint32_t number = get_u32(r, element_number);
        uint16_t o = get_u16(r, element_options);
        if (o & element_opt_bar_outline) {
            view.information = true;
            for (const Bar& bar : bars)
                for (int s = 0; s < 6; ++s)
                    if (get_u32(bar.rec, bar_slots + bar_slot_size * s) == number) take(bar);
        } else if (o & element_opt_bar_centre) {
            for (const Bar& bar : bars)
                if (get_u32(bar.rec, bar_element) == number) take(bar);
        } else {
            view.create = true;
        }
        return true;
    });
    if (view.information) view.create = false;
    return view;
}

int bars_create_from_marked(DrawingFile* df, unsigned char** projection, const BarSettings& settings,
                            const BarHooks& hooks) {
    unsigned char* p = *projection;
    bool any = false;
    each_element(df, p, [&](unsigned char* r) {
        any = (get_u16(r, element_flags) & element_flag_marked) != 0;
        return !any;
    });
    if (!any) return 0;
    if (hooks.checkpoint) {
        p = hooks.checkpoint(p);
        if (!p) return -1;
        *projection = p;
    }

    // 1-2. Joining: the bars of the marked centres and, in turn, the bars
    // sharing a number with one of them take one new number.
    std::vector<Bar> bars = read_bars(df, p);
    std::set<uint32_t> marked;
    each_element(df, p, [&](unsigned char* r) {
        if (get_u16(r, element_flags) & element_flag_marked) marked.insert(get_u32(r, element_number));
        return true;
    });
    uint16_t n = next_free_bar_number(df, p);
    if (!n) {
        message_of(hooks, "Свободных номеров брусков не осталось");
        return -1;
    }
    std::vector<bool> selected(bars.size(), false);
    for (size_t i = 0; i < bars.size(); ++i) {
        put_u16(bars[i].rec, bar_flags, static_cast<uint16_t>(bars[i].flags() & ~bar_flag_built));
        selected[i] = marked.count(get_u32(bars[i].rec, bar_element)) > 0;
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < bars.size(); ++i) {
            uint16_t old = get_u16(bars[i].rec, bar_number);
            if (!selected[i] || old == n) continue;
            for (size_t j = 0; j < bars.size(); ++j)
                if (get_u16(bars[j].rec, bar_number) == old) {
                    selected[j] = true;
                    put_u16(bars[j].rec, bar_number, n);
                }
            changed = true;
        }
    }
    write_bars(df, bars);

    // 3. The marked elements that can carry a bar.
    std::vector<std::vector<unsigned char>> chosen;
    std::set<uint32_t> numbers;
    each_element(df, p, [&](unsigned char* r) {
        uint16_t f = get_u16(r, element_flags);
        if (!(f & element_flag_marked)) return true;
        put_u16(r, element_flags, static_cast<uint16_t>(f & ~element_flag_marked));
        element_buffer()->clean = 0;
        if (!carries_bar(r) || (get_u16(r, element_options) & element_opt_bar_centre)) return true;
        if (numbers.count(get_u32(r, element_number))) return true;
        chosen.emplace_back(r, r + get_u16(r, record_length));
        numbers.insert(get_u32(r, element_number));
        return true;
    });
    int made = 0;
    bool corners = (settings.flags & (bar_flag_corners_start | bar_flag_corners_end)) != 0;
    for (const auto& rec : chosen) {
        if (element_uses_fixed_point(df, p, rec.data())) continue;
        uint16_t counter = get_u16(p, projection_instance_counter);
        if (counter >= 65535) {
            message_of(hooks, "Счётчик фрагментов переполнен");
            break;
        }
        put_u16(p, projection_instance_counter, static_cast<uint16_t>(counter + 1));
        uint32_t element = get_u32(rec.data(), element_number);
        unsigned char bar[bar_record_size_corners] = {};
        put_u16(bar, record_length, corners ? bar_record_size_corners : bar_record_size);
        put_u32(bar, bar_element, element);
        bar[record_kind] = construction_kind_bar;
        put_u16(bar, bar_number, n);
        put_u16(bar, bar_serial, static_cast<uint16_t>(counter + 1));
        put_u16(bar, bar_flags, static_cast<uint16_t>(settings.flags & 0x01EF));
        put_u16(bar, bar_width_variable, settings.width_variable);
        put_f64(bar, bar_width, settings.width);
        bool numbers_ok = true;
        for (int s = 0; s < 6; ++s) {
            uint32_t number = element_number_alloc();
            if (!number) numbers_ok = false;
            put_u32(bar, bar_slots + bar_slot_size * s, number);
            put_u16(bar, bar_slots + bar_slot_size * s + 6, static_cast<uint16_t>(settings.flags & bar_flag_line_type));
        }
        if (!numbers_ok) {
            for (int s = 0; s < 6; ++s)
                if (uint32_t number = get_u32(bar, bar_slots + bar_slot_size * s)) element_number_release(number);
            message_of(hooks, "Свободных номеров элементов не осталось");
            break;
        }
        if (!record_add(df, projection_chain(p, projection_construction), bar, construction_buffer())) break;
        // The centre bit on every record of the number (a curve image and
        // its source alike).
        each_element(df, p, [&](unsigned char* r) {
            if (get_u32(r, element_number) != element) return true;
            uint16_t o = get_u16(r, element_options);
            if (o & element_opt_bar_outline) return true;
            put_u16(r, element_options, static_cast<uint16_t>(o | element_opt_bar_centre));
            element_buffer()->clean = 0;
            return true;
        });
        ++made;
    }
    put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) | projection_word_changed));
    rebuild_bars(df, p);
    return made;
}

int delete_bar_records(DrawingFile* df, unsigned char* projection, uint32_t element) {
    std::vector<Bar> bars = read_bars(df, projection);
    std::vector<RecordRef> doomed;
    std::set<uint32_t> outlines;
    std::set<uint32_t> corners;
    for (const Bar& bar : bars) {
        if (get_u32(bar.rec, bar_element) != element) continue;
        doomed.push_back(bar.ref);
        for (int s = 0; s < 6; ++s)
            if (uint32_t n = get_u32(bar.rec, bar_slots + bar_slot_size * s)) outlines.insert(n);
        if (bar.length() == bar_record_size_corners)
            for (int k = 0; k < 4; ++k)
                if (uint32_t n = get_u32(bar.rec, bar_corners + 4 * k)) corners.insert(n);
    }
    if (doomed.empty()) return 0;
    delete_outlines(df, projection, &outlines);
    for (uint32_t n : outlines) element_number_release(n);
    // Corner points go unless an element of the user's still stands on one.
    if (!corners.empty()) {
        std::set<uint32_t> used;
        each_element(df, projection, [&](unsigned char* r) {
            if (get_u16(r, element_options) & (element_opt_bar_outline | element_opt_image)) return true;
            ElementPointPlace places[64];
            int k = element_point_places(r, places, 64);
            for (int i = 0; i < k; ++i)
                if (corners.count(places[i].number)) used.insert(places[i].number);
            return true;
        });
        RecordRef* points = projection_chain(projection, projection_points);
        PageBuffer* pb = point_buffer();
        for (unsigned char* r = record_next(df, points, nullptr, pb); r && !error_flag;) {
            uint32_t n = get_u32(r, point_number);
            bool go = get_u16(r, record_length) == point_record_size && corners.count(n) && !used.count(n) &&
                      (get_u16(r, point_flags) & point_flag_no_dimension);
            if (go) point_number_release(n);
            r = go ? record_delete_and_next(df, points, r, pb) : record_next(df, points, r, pb);
        }
    }
    delete_collected_records(df, projection_chain(projection, projection_construction), doomed, construction_buffer());
    // The element keeps its centre bit while another bar still follows it.
    each_element(df, projection, [&](unsigned char* r) {
        if (get_u32(r, element_number) != element) return true;
        uint16_t o = get_u16(r, element_options);
        if (o & element_opt_bar_centre) {
            put_u16(r, element_options, static_cast<uint16_t>(o & ~element_opt_bar_centre));
            element_buffer()->clean = 0;
        }
        return true;
    });
    put_u16(projection, projection_flags, static_cast<uint16_t>(get_u16(projection, projection_flags) | projection_word_changed));
    return static_cast<int>(doomed.size());
}

int bars_delete_marked(DrawingFile* df, unsigned char** projection, const BarHooks& hooks) {
    std::set<uint32_t> centres;
    each_element(df, *projection, [&](unsigned char* r) {
        uint16_t f = get_u16(r, element_flags);
        if ((f & element_flag_marked) && (get_u16(r, element_options) & element_opt_bar_centre))
            centres.insert(get_u32(r, element_number));
        return true;
    });
    if (centres.empty()) return 0;
    if (hooks.checkpoint) {
        unsigned char* p = hooks.checkpoint(*projection);
        if (!p) return 0;
        *projection = p;
    }
    each_element(df, *projection, [&](unsigned char* r) {
        uint16_t f = get_u16(r, element_flags);
        if ((f & element_flag_marked) && centres.count(get_u32(r, element_number))) {
            put_u16(r, element_flags, static_cast<uint16_t>(f & ~element_flag_marked));
            element_buffer()->clean = 0;
        }
        return true;
    });
    int deleted = 0;
    for (uint32_t e : centres) deleted += delete_bar_records(df, *projection, e);
    return deleted;
}

int bars_delete_all(DrawingFile* df, unsigned char* projection) {
    std::set<uint32_t> centres;
    for (const Bar& bar : read_bars(df, projection)) centres.insert(get_u32(bar.rec, bar_element));
    int deleted = 0;
    for (uint32_t e : centres) deleted += delete_bar_records(df, projection, e);
    // Outlines of bars that no longer exist.
    delete_outlines(df, projection, nullptr);
    return deleted;
}

int bar_width_parse(const char* text, double* width, bool* keeps_variable) {
    std::string t = text ? text : "";
    size_t brace = t.find('{');
    if (keeps_variable) *keeps_variable = brace != std::string::npos;
    if (brace != std::string::npos) t.resize(brace);
    size_t a = t.find_first_not_of(" \t"), b = t.find_last_not_of(" \t");
    if (a == std::string::npos) return 0;
    t = t.substr(a, b - a + 1);
    for (char& c : t)
        if (c == ',') c = '.';
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (!end || *end || !std::isfinite(v) || v == 0) return -1;
    *width = std::fabs(v);
    return 1;
}

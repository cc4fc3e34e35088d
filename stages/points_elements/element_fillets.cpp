// Fillets between two elements meeting at a reference point.
#include "stages/points_elements/element_fillets.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/program_messages.h"
#include "geometry/metric.h"
#include "geometry/units_scale.h"
#include "stages/points_elements/element_insert.h"
#include "stages/points_elements/element_records.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr double eps = 1e-12;

Point2 add(Point2 a, Point2 b) { return {a.x + b.x, a.y + b.y}; }
Point2 sub(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }
Point2 mul(Point2 a, double k) { return {a.x * k, a.y * k}; }
double dot(Point2 a, Point2 b) { return a.x * b.x + a.y * b.y; }
double cross(Point2 a, Point2 b) { return a.x * b.y - a.y * b.x; }
double len(Point2 a) { return std::hypot(a.x, a.y); }
Point2 unit(Point2 a) {
    double l = len(a);
    return l > 0 ? mul(a, 1 / l) : Point2{0, 0};
}
Point2 perp(Point2 d) { return {-d.y, d.x}; }

// An offset: a line through p along d, or a circle about c of radius r.
struct Offset {
    bool line;
    Point2 p, d;
    Point2 c;
    double r;
};

int meet_lines(const Offset& a, const Offset& b, Point2 out[2]) {
    double den = cross(a.d, b.d);
    if (std::fabs(den) < eps) return 0;
    double t = cross(sub(b.p, a.p), b.d) / den;
    out[0] = add(a.p, mul(a.d, t));
    return 1;
}

int meet_line_circle(const Offset& l, const Offset& c, Point2 out[2]) {
    Point2 f = sub(l.p, c.c);
    double b = dot(f, l.d), cc = dot(f, f) - c.r * c.r;
    double disc = b * b - cc;
    if (disc < 0) return 0;
    double s = std::sqrt(disc);
    out[0] = add(l.p, mul(l.d, -b - s));
    out[1] = add(l.p, mul(l.d, -b + s));
    return s > 0 ? 2 : 1;
}

int meet_circles(const Offset& a, const Offset& b, Point2 out[2]) {
    Point2 d = sub(b.c, a.c);
    double dist = len(d);
    if (dist < eps || dist > a.r + b.r || dist < std::fabs(a.r - b.r)) return 0;
    double x = (dist * dist + a.r * a.r - b.r * b.r) / (2 * dist);
    double h2 = a.r * a.r - x * x;
    double h = h2 > 0 ? std::sqrt(h2) : 0;
    Point2 u = mul(d, 1 / dist);
    Point2 base = add(a.c, mul(u, x));
    out[0] = add(base, mul(perp(u), h));
    out[1] = sub(base, mul(perp(u), h));
    return h > 0 ? 2 : 1;
}

bool make_offset(const FilletSide& s, Point2 inside, double r, Offset* o) {
    if (s.kind == 1) {
        *o = Offset{true, add(s.corner, mul(inside, r)), s.direction, {}, 0};
        return true;
    }
    bool toward_centre = dot(inside, sub(s.centre, s.corner)) > 0;
    double radius = toward_centre ? s.radius - r : s.radius + r;
    if (radius <= eps) return false;
    *o = Offset{false, {}, {}, s.centre, radius};
    return true;
}

Point2 foot(const FilletSide& s, Point2 p) {
    if (s.kind == 1) return add(s.corner, mul(s.direction, dot(sub(p, s.corner), s.direction)));
    return add(s.centre, mul(unit(sub(p, s.centre)), s.radius));
}

// Sweep from start to end in decreasing angle about c, in (0, 2 pi].
double sweep_about(Point2 c, Point2 start, Point2 end) {
    double a = std::atan2(start.y - c.y, start.x - c.x) - std::atan2(end.y - c.y, end.x - c.x);
    const double two_pi = 6.283185307179586476925;
    a = std::fmod(a, two_pi);
    if (a <= 0) a += two_pi;
    return a;
}

// One element ending at the corner, read from its record.
struct CornerElement {
    RecordRef ref;
    Bytes rec;
    int end;        // the element's end at the corner: 0 first, 1 second point
    FilletSide side;
    bool swapped;   // kind 4: its centre form runs from its second end to its first
};

bool describe_corner(const Bytes& rec, int end, CornerElement* ce) {
    int kind = element_kind(rec.data());
    ce->end = end;
    ce->swapped = false;
    if (kind == element_kind_segment) {
        Point2 a = get_point2(rec.data(), element_coords2), b = get_point2(rec.data(), element_coords2 + 16);
        Point2 c = end == 0 ? a : b, o = end == 0 ? b : a;
        if (len(sub(o, c)) < eps) return false;
        ce->side = FilletSide{1, c, unit(sub(o, c)), {}, 0};
        return true;
    }
    ArcByCentre arc;
    Point2 s = get_point2(rec.data(), element_coords3), e = get_point2(rec.data(), element_coords3 + 16);
    Point2 third = get_point2(rec.data(), element_coords3 + 32);
    if (kind == element_kind_arc_centre) {
        arc = ArcByCentre{s, e, third};
    } else {
        ArcByPoints p{s, e, third};
        if (!arc_by_points_to_centre(&p, &arc)) {
            // No arc: the chord.
            Point2 c = end == 0 ? s : e, o = end == 0 ? e : s;
            if (len(sub(o, c)) < eps) return false;
            ce->side = FilletSide{1, c, unit(sub(o, c)), {}, 0};
            return true;
        }
        ce->swapped = std::fabs(arc.start.x - s.x) > eps || std::fabs(arc.start.y - s.y) > eps;
    }
    // At the start of the centre form the arc leaves with decreasing angle,
    // at its end with increasing angle.
    bool at_start = (end == 0) != ce->swapped;
    Point2 c = at_start ? arc.start : arc.end;
    Point2 radial = unit(sub(c, arc.centre));
    Point2 dir = at_start ? Point2{radial.y, -radial.x} : Point2{-radial.y, radial.x};
    ce->side = FilletSide{3, c, dir, arc.centre, len(sub(c, arc.centre))};
    return true;
}

// Moves the element's corner end to `to` (a three-point arc gets its middle
// point again).
void trim_end(CornerElement& ce, Point2 to) {
    unsigned char* r = ce.rec.data();
    int kind = element_kind(r);
    if (kind == element_kind_segment) {
        put_point2(r, element_coords2 + 16 * static_cast<uint32_t>(ce.end), to);
        return;
    }
    put_point2(r, element_coords3 + 16 * static_cast<uint32_t>(ce.end), to);
    if (kind == element_kind_arc_points && ce.side.kind == 3) {
        Point2 s = get_point2(r, element_coords3), e = get_point2(r, element_coords3 + 16);
        Point2 mid = ce.swapped ? arc_part_midpoint(ce.side.centre, e, s) : arc_part_midpoint(ce.side.centre, s, e);
        put_point2(r, element_coords3 + 32, mid);
    }
}

}  // namespace

int fillet_corner(const FilletSide& a, const FilletSide& b, double r, FilletGeometry* out) {
    if (!(r > 0)) return 0;
    double turn = cross(a.direction, b.direction);
    if (std::fabs(turn) < 1e-9) return 0;
    Point2 inside_a = mul(perp(a.direction), turn > 0 ? 1 : -1);
    Point2 inside_b = mul(perp(b.direction), turn > 0 ? -1 : 1);
    Offset oa, ob;
    if (!make_offset(a, inside_a, r, &oa) || !make_offset(b, inside_b, r, &ob)) return 0;
    Point2 hits[2];
    int n;
    if (oa.line && ob.line) n = meet_lines(oa, ob, hits);
    else if (oa.line) n = meet_line_circle(oa, ob, hits);
    else if (ob.line) n = meet_line_circle(ob, oa, hits);
    else n = meet_circles(oa, ob, hits);
    if (n == 0) return 0;
    Point2 centre = hits[0];
    if (n == 2 && len(sub(hits[1], a.corner)) < len(sub(hits[0], a.corner))) centre = hits[1];
    out->centre = centre;
    out->tangent_a = foot(a, centre);
    out->tangent_b = foot(b, centre);
    return 1;
}

int fillet_build_at_point(DrawingFile* df, unsigned char* projection, uint32_t corner_point, double radius) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    std::vector<CornerElement> found;
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag && found.size() < 2;
         r = record_next(df, head, r, eb)) {
        if (!element_record_valid(r)) continue;
        int kind = element_kind(r);
        if (kind != element_kind_segment && kind != element_kind_arc_centre && kind != element_kind_arc_points) continue;
        uint16_t f = get_u16(r, element_flags);
        if (f & (element_flag_generated | element_flag_screen_piece | element_flag_purge)) continue;
        if (get_u16(r, element_options) & (element_opt_image | element_opt_bar_outline)) continue;
        for (int end = 0; end < 2; ++end) {
            if (get_u32(r, element_points + 4 * static_cast<uint32_t>(end)) != corner_point) continue;
            CornerElement ce;
            ce.ref = record_ref_of(eb, r);
            ce.rec.assign(r, r + get_u16(r, record_length));
            if (describe_corner(ce.rec, end, &ce)) found.push_back(ce);
            break;
        }
    }
    if (error_flag) return -1;
    if (found.size() < 2) return 0;
    FilletGeometry g;
    if (!fillet_corner(found[0].side, found[1].side, radius, &g)) return 0;
    Point2 corner = found[0].side.corner;
    trim_end(found[0], g.tangent_a);
    trim_end(found[1], g.tangent_b);
    for (CornerElement& ce : found) {
        RecordRef at = ce.ref;
        unsigned char* r = record_read_at(df, &at, eb);
        if (!r || error_flag) return -1;
        std::memcpy(r, ce.rec.data(), ce.rec.size());
        eb->clean = 0;
    }
    // The construction lines from the corner to the new ends.
    for (Point2 t : {g.tangent_a, g.tangent_b}) {
        Bytes line(element_size2, 0);
        put_u16(line.data(), record_length, element_size2);
        put_u32(line.data(), element_number, corner_point);
        put_u16(line.data(), element_flags, static_cast<uint16_t>(element_kind_segment | element_flag_generated));
        put_u16(line.data(), element_options, element_opt_fillet_construction);
        put_u32(line.data(), element_points, corner_point);
        put_point2(line.data(), element_coords2, corner);
        put_point2(line.data(), element_coords2 + 16, t);
        if (!record_add(df, head, line.data(), eb) || error_flag) return -1;
    }
    // The fillet arc, the shorter way round between the tangent points.
    const unsigned char* first = found[0].rec.data();
    Bytes arc(element_size3, 0);
    std::memcpy(arc.data(), first, element_head_size);
    put_u16(arc.data(), record_length, element_size3);
    uint16_t f = get_u16(first, element_flags);
    put_u16(arc.data(), element_flags,
            static_cast<uint16_t>(element_kind_arc_centre | (f & (element_flag_line_type | element_flag_contour_member)) |
                                  element_flag_generated));
    put_u16(arc.data(), element_options, 0);
    for (int i = 0; i < 3; ++i) put_u32(arc.data(), element_points + 4 * static_cast<uint32_t>(i), corner_point);
    Point2 s = g.tangent_a, e = g.tangent_b;
    if (sweep_about(g.centre, s, e) > 3.14159265358979323846) std::swap(s, e);
    put_point2(arc.data(), element_coords3, s);
    put_point2(arc.data(), element_coords3 + 16, e);
    put_point2(arc.data(), element_coords3 + 32, g.centre);
    if (!record_add(df, head, arc.data(), eb) || error_flag) return -1;
    return 1;
}

int fillets_build(DrawingFile* df, unsigned char* projection) {
    struct Fillet {
        uint32_t number;
        double radius;
    };
    std::vector<Fillet> fillets;
    RecordRef* dh = projection_chain(projection, projection_dimensions);
    PageBuffer* db = &page_buffers[table_dimensions];
    for (unsigned char* d = record_next(df, dh, nullptr, db); d && !error_flag; d = record_next(df, dh, d, db)) {
        if (get_u16(d, record_length) < dimension_upgrade_size || dimension_kind(d) != 5) continue;
        fillets.push_back({get_u32(d, dimension_number),
                           nominal_to_view_length(projection, get_f64(d, dimension_nominal), 5)});
    }
    if (fillets.empty() || error_flag) return 0;
    std::vector<std::pair<uint32_t, double>> corners;
    RecordRef* lh = projection_chain(projection, projection_links);
    PageBuffer* lb = &page_buffers[table_links];
    for (unsigned char* l = record_next(df, lh, nullptr, lb); l && !error_flag; l = record_next(df, lh, l, lb)) {
        if (get_u16(l, record_length) != link_record_size || (get_u16(l, link_role) & 3) == 3) continue;
        for (const Fillet& f : fillets)
            if (get_u32(l, link_dimension) == f.number) corners.push_back({get_u32(l, link_point), f.radius});
    }
    int failed = 0;
    for (const auto& c : corners) {
        int rc = fillet_build_at_point(df, projection, c.first, c.second);
        if (rc < 0) return failed + 1;
        if (rc == 0) ++failed;
    }
    return failed;
}

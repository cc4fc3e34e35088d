// Point insertion into graphic elements.
#include "stages/points_elements/element_insert.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/program_messages.h"
#include "geometry/curve_images.h"
#include "geometry/curves.h"
#include "geometry/extents.h"
#include "geometry/intersect.h"
#include "geometry/metric.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/marking_contours.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr double two_pi_value = 6.283185307179586476925;

const char* const text_no_point_here = "На такой элемент точку не поставить!";
const char* const text_point_set = "Точка установлена";
const char* const text_curve_full = "Много точек плавной кривой!";

bool same_pixel(const InsertionContext& ctx, Point2 a, Point2 b) {
    if (ctx.same_pixel) return ctx.same_pixel(a, b);
    return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9;
}

void prompt(const InsertionContext& ctx, const char* text) {
    if (ctx.prompt) ctx.prompt(text);
}

// The first crossing of a probe with the geometry, by kind 1..4.
bool crossing(const InsertionContext& ctx, int kind, const Point2* g, Point2* at) {
    for (const Segment& probe : ctx.probes) {
        Point2 out[4];
        int n = 0;
        if (kind == 1) {
            Segment s{g[0], g[1]};
            n = intersect_segments(&probe, &s, out);
        } else if (kind == 2) {
            CircleGeom c{g[0], g[1]};
            n = intersect_segment_circle(&probe, &c, out);
        } else {
            ArcByCentre a{g[0], g[1], g[2]};
            n = intersect_segment_arc(&probe, &a, kind, out);
        }
        if (n > 0) {
            *at = out[0];
            return true;
        }
    }
    return false;
}

// Direction of a three-point arc: -1 when it runs from start to end with
// decreasing angle, +1 with increasing, 0 when it is no arc.
int arc_direction(Point2 s, Point2 e, Point2 through, Point2* centre) {
    ArcByPoints a{s, e, through};
    return arc_center_from_three_points(&a, centre);
}

Point2 midpoint_along(Point2 centre, Point2 from, Point2 to, int direction) {
    return direction < 0 ? arc_part_midpoint(centre, from, to) : arc_part_midpoint(centre, to, from);
}

uint32_t add_reference_point(InsertionContext& ctx, uint32_t number, Point2 at) {
    unsigned char p[point_record_size] = {};
    put_u16(p, record_length, point_record_size);
    put_u32(p, point_number, number);
    uint16_t flags = 0;
    if (ctx.df->header && (get_u16(ctx.df->header, header_options) & header_opt_point_numbers))
        flags |= point_flag_show_number;
    put_u16(p, point_flags, flags);
    put_point2(p, point_sketch_x, at);
    put_point2(p, point_true_x, at);
    RecordRef r = record_add(ctx.df, projection_chain(ctx.projection, projection_points), p,
                             &page_buffers[table_points]);
    if (!r || error_flag) return 0;
    projection_extend_frame_to_point(ctx.projection, p);
    return number;
}

// Every dimension linked to both a and b gets a link to the new point, a
// copy of its link to a under a new link number.
void link_dimensions_to_new_point(InsertionContext& ctx, uint32_t a, uint32_t b, uint32_t fresh) {
    RecordRef* head = projection_chain(ctx.projection, projection_links);
    PageBuffer* lb = &page_buffers[table_links];
    std::vector<Bytes> links;
    for (unsigned char* r = record_next(ctx.df, head, nullptr, lb); r && !error_flag; r = record_next(ctx.df, head, r, lb))
        if (get_u16(r, record_length) == link_record_size) links.emplace_back(r, r + link_record_size);
    std::vector<Bytes> added;
    for (const Bytes& la : links) {
        if (get_u32(la.data(), link_point) != a) continue;
        uint32_t dim = get_u32(la.data(), link_dimension);
        bool to_b = false, done = false;
        for (const Bytes& lb2 : links) {
            if (get_u32(lb2.data(), link_dimension) != dim) continue;
            if (get_u32(lb2.data(), link_point) == b) to_b = true;
            if (get_u32(lb2.data(), link_point) == fresh) done = true;
        }
        for (const Bytes& n : added)
            if (get_u32(n.data(), link_dimension) == dim) done = true;
        if (!to_b || done) continue;
        Bytes n = la;
        uint32_t number = get_u32(ctx.df->header, header_highest_link) + 1;
        put_u32(ctx.df->header, header_highest_link, number);
        put_u32(n.data(), link_number, number);
        put_u32(n.data(), link_point, fresh);
        added.push_back(n);
    }
    for (const Bytes& n : added) {
        record_add(ctx.df, head, n.data(), lb);
        if (error_flag) return;
    }
}

// Writes a fixed-kind record (same length) back at ref.
bool rewrite(InsertionContext& ctx, RecordRef ref, const Bytes& rec) {
    RecordRef at = ref;
    unsigned char* r = record_read_at(ctx.df, &at, &page_buffers[table_elements]);
    if (!r || error_flag || get_u16(r, record_length) != rec.size()) return false;
    std::memcpy(r, rec.data(), rec.size());
    page_buffers[table_elements].clean = 0;
    return true;
}

RecordRef add_element(InsertionContext& ctx, const Bytes& rec) {
    return record_add(ctx.df, projection_chain(ctx.projection, projection_elements), rec.data(),
                      &page_buffers[table_elements]);
}


Point2 bezier_at(const BezierGeom& b, double t) {
    double u = 1 - t;
    double a = u * u * u, c1 = 3 * u * u * t, c2 = 3 * u * t * t, d = t * t * t;
    return Point2{a * b.start.x + c1 * b.control1.x + c2 * b.control2.x + d * b.end.x,
                  a * b.start.y + c1 * b.control1.y + c2 * b.control2.y + d * b.end.y};
}

BezierGeom bezier_of(const unsigned char* rec) {
    return BezierGeom{get_point2(rec, element_coords4), get_point2(rec, element_coords4 + 16),
                      get_point2(rec, element_coords4 + 32), get_point2(rec, element_coords4 + 48)};
}

void put_bezier(unsigned char* rec, const BezierGeom& b) {
    put_point2(rec, element_coords4, b.start);
    put_point2(rec, element_coords4 + 16, b.end);
    put_point2(rec, element_coords4 + 32, b.control1);
    put_point2(rec, element_coords4 + 48, b.control2);
}

// The Bezier spline (kind 12) of that number, 0 when there is none.
RecordRef bezier_source_of(InsertionContext& ctx, uint32_t number) {
    RecordRef* head = projection_chain(ctx.projection, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    for (unsigned char* r = record_next(ctx.df, head, nullptr, eb); r && !error_flag; r = record_next(ctx.df, head, r, eb))
        if (get_u32(r, element_number) == number && element_kind(r) == element_kind_bezier && element_record_valid(r))
            return record_ref_of(eb, r);
    return 0;
}

// Moves a stored point (sketch and true position).
void move_point(InsertionContext& ctx, uint32_t number, Point2 at) {
    RecordRef from = 0;
    unsigned char* p = record_find_key(ctx.df, projection_chain(ctx.projection, projection_points), number, &from,
                                       &page_buffers[table_points]);
    if (!p || get_u16(p, record_length) != point_record_size) return;
    put_point2(p, point_sketch_x, at);
    put_point2(p, point_true_x, at);
    page_buffers[table_points].clean = 0;
}

uint32_t add_control_point(InsertionContext& ctx, Point2 at) {
    uint32_t n = point_number_alloc();
    if (!n || !add_reference_point(ctx, n, at)) return 0;
    RecordRef from = 0;
    unsigned char* p = record_find_key(ctx.df, projection_chain(ctx.projection, projection_points), n, &from,
                                       &page_buffers[table_points]);
    if (p) {
        p[point_flags2] = static_cast<unsigned char>(p[point_flags2] | 0x01);
        page_buffers[table_points].clean = 0;
    }
    return n;
}

// Splits a Bezier spline where a probe crosses it: the spline keeps its
// start and ends at the new point, a second spline runs on to the old end;
// the old control points go to the outer control points of the halves and
// two new control points take the inner ones, so that each half keeps its
// part of the curve.
int insert_point_into_bezier(InsertionContext& ctx, RecordRef element, InsertionResult* out) {
    PageBuffer* eb = &page_buffers[table_elements];
    RecordRef at = element;
    unsigned char* r = record_read_at(ctx.df, &at, eb);
    if (!r || error_flag) return -1;
    Bytes rec(r, r + get_u16(r, record_length));
    BezierGeom b = bezier_of(rec.data());
    double t_hit = -1;
    for (int k = 0; k < 50 && t_hit < 0; ++k) {
        double t0 = k * 0.02, t1 = (k + 1) * 0.02;
        Segment chord{bezier_at(b, t0), bezier_at(b, t1)};
        double chord_len = std::hypot(chord.end.x - chord.start.x, chord.end.y - chord.start.y);
        for (const Segment& probe : ctx.probes) {
            Point2 hit[2];
            if (intersect_segments(&probe, &chord, hit) < 1) continue;
            double along = chord_len > 0 ? std::hypot(hit[0].x - chord.start.x, hit[0].y - chord.start.y) / chord_len : 0;
            t_hit = t0 + (t1 - t0) * along;
            break;
        }
    }
    if (t_hit <= 0 || t_hit >= 1) return 0;
    Point2 m = bezier_at(b, t_hit);
    if (same_pixel(ctx, m, b.start) || same_pixel(ctx, m, b.end)) return 0;
    if (ctx.checkpoint) {
        unsigned char* np = ctx.checkpoint(ctx.projection);
        if (!np) return 0;
        ctx.projection = np;
    }
    uint32_t fresh = point_number_alloc();
    uint32_t second = fresh ? element_number_alloc() : 0;
    if (!fresh || !second) return -1;
    BezierGeom first_half, second_half;
    bezier_split(&b, t_hit, &first_half, &second_half);
    first_half.end = m;
    second_half.start = m;
    uint32_t ne = get_u32(rec.data(), element_points + 4);
    uint32_t c1 = get_u32(rec.data(), element_points + 8), c2 = get_u32(rec.data(), element_points + 12);
    if (!add_reference_point(ctx, fresh, m)) return -1;
    uint32_t inner1 = add_control_point(ctx, first_half.control2);
    uint32_t inner2 = inner1 ? add_control_point(ctx, second_half.control1) : 0;
    if (!inner2) return -1;
    move_point(ctx, c1, first_half.control1);
    move_point(ctx, c2, second_half.control2);
    Bytes part2 = rec;
    put_bezier(rec.data(), first_half);
    put_u32(rec.data(), element_points + 4, fresh);
    put_u32(rec.data(), element_points + 12, inner1);
    put_bezier(part2.data(), second_half);
    put_u32(part2.data(), element_number, second);
    put_u16(part2.data(), element_options,
            static_cast<uint16_t>(get_u16(part2.data(), element_options) & ~element_opt_bar_centre));
    put_u32(part2.data(), element_points, fresh);
    put_u32(part2.data(), element_points + 4, ne);
    put_u32(part2.data(), element_points + 8, inner2);
    put_u32(part2.data(), element_points + 12, c2);
    uint32_t number = get_u32(rec.data(), element_number);
    if (!rewrite(ctx, element, rec) || !add_element(ctx, part2)) return -1;
    build_bezier_image(ctx.projection, number, 1);
    build_bezier_image(ctx.projection, second, 1);
    if (error_flag) return -1;
    if (get_u16(rec.data(), element_flags) & element_flag_contour_member)
        contours_add_split_element(ctx.df, ctx.projection, number, second);
    if (error_flag) return -1;
    prompt(ctx, text_point_set);
    if (out) {
        out->point = fresh;
        out->new_element = second;
    }
    return 1;
}

}  // namespace

Point2 arc_part_midpoint(Point2 centre, Point2 from, Point2 to) {
    double r = std::hypot(from.x - centre.x, from.y - centre.y);
    double a0 = std::atan2(from.y - centre.y, from.x - centre.x);
    double a1 = std::atan2(to.y - centre.y, to.x - centre.x);
    double sweep = std::fmod(a0 - a1, two_pi_value);
    if (sweep <= 0) sweep += two_pi_value;
    double m = a0 - sweep / 2;
    return Point2{centre.x + r * std::cos(m), centre.y + r * std::sin(m)};
}

int insert_point_into_element(InsertionContext& ctx, RecordRef element, InsertionResult* out) {
    if (!ctx.df || !ctx.projection || !element) return 0;
    PageBuffer* eb = &page_buffers[table_elements];
    RecordRef at = element;
    unsigned char* r = record_read_at(ctx.df, &at, eb);
    if (!r || error_flag) return -1;
    if (get_u16(r, element_options) & element_opt_bar_outline) return 0;
    if (!element_record_valid(r)) return 0;
    Bytes rec(r, r + get_u16(r, record_length));
    int kind = element_kind(rec.data());
    uint32_t number = get_u32(rec.data(), element_number);

    // Checks first: nothing is taken or changed before the point is known.
    Point2 p{};
    Point2 g[3] = {};
    uint32_t pts[3] = {};
    int direction = 0;
    Point2 centre{};
    int curve_piece = -1;
    switch (kind) {
    case element_kind_segment:
    case element_kind_circle:
    case element_kind_arc_centre:
    case element_kind_arc_points: {
        int n = kind <= 2 ? 2 : 3;
        uint32_t coords = element_coords_offset(kind);
        for (int i = 0; i < n; ++i) {
            g[i] = get_point2(rec.data(), coords + 16 * static_cast<uint32_t>(i));
            pts[i] = get_u32(rec.data(), element_points + 4 * static_cast<uint32_t>(i));
        }
        if (!crossing(ctx, kind, g, &p)) return 0;
        // A crossing on a point the element already has changes nothing.
        for (int i = 0; i < n; ++i)
            if (same_pixel(ctx, p, g[i])) return 0;
        if (kind == element_kind_arc_points) {
            direction = arc_direction(g[0], g[1], g[2], &centre);
            if (direction == 0) return 0;
        }
        break;
    }
    case element_kind_bezier:
        return insert_point_into_bezier(ctx, element, out);
    case element_kind_curve: {
        if (get_u16(rec.data(), element_options) & element_opt_image) {
            // The image of a Bezier spline stands for the spline.
            RecordRef source = bezier_source_of(ctx, number);
            if (source) return insert_point_into_bezier(ctx, source, out);
            prompt(ctx, text_no_point_here);
            return 0;
        }
        int n = get_i16(rec.data(), curve_count);
        for (int i = 0; i + 1 < n && curve_piece < 0; ++i) {
            CurveVertex a = element_curve_vertex(rec.data(), i);
            CurveVertex b = element_curve_vertex(rec.data(), i + 1);
            Point2 piece[3] = {a.point, b.point, a.through};
            if (crossing(ctx, element_kind_arc_points, piece, &p)) curve_piece = i;
        }
        if (curve_piece < 0) return 0;
        for (int i = 0; i < n; ++i)
            if (same_pixel(ctx, p, element_curve_vertex(rec.data(), i).point))
                return 0;
        if (n + 1 > static_cast<int>(curve_max_single)) {
            prompt(ctx, text_curve_full);
            return 0;
        }
        break;
    }
    default:
        prompt(ctx, text_no_point_here);
        return 0;
    }

    // Then the checkpoint and the numbers.
    if (ctx.checkpoint) {
        unsigned char* np = ctx.checkpoint(ctx.projection);
        if (!np) return 0;
        ctx.projection = np;
    }
    uint32_t fresh = point_number_alloc();
    if (!fresh) return -1;
    uint32_t second = 0;
    if (kind != element_kind_curve) {
        second = element_number_alloc();
        if (!second) {
            point_number_release(fresh);
            return -1;
        }
    }

    bool member = (get_u16(rec.data(), element_flags) & element_flag_contour_member) != 0;
    uint32_t split_a = 0, split_b = 0;  // the ends of the part that was split
    if (kind == element_kind_segment) {
        Bytes copy = rec;
        put_point2(rec.data(), element_coords2 + 16, p);
        put_u32(rec.data(), element_points + 4, fresh);
        put_u32(copy.data(), element_number, second);
        put_u16(copy.data(), element_options,
                static_cast<uint16_t>(get_u16(copy.data(), element_options) & ~element_opt_bar_centre));
        put_u32(copy.data(), element_points, fresh);
        put_point2(copy.data(), element_coords2, p);
        if (!rewrite(ctx, element, rec) || !add_element(ctx, copy)) return -1;
        split_a = pts[0];
        split_b = pts[1];
    } else if (kind == element_kind_circle || kind == element_kind_arc_centre) {
        // A circle is the full arc from its point round to itself.
        Point2 start = g[0], end = kind == element_kind_circle ? g[0] : g[1];
        Point2 c = kind == element_kind_circle ? g[1] : g[2];
        uint32_t ns = pts[0], ne = kind == element_kind_circle ? pts[0] : pts[1];
        uint32_t nc = kind == element_kind_circle ? pts[1] : pts[2];
        Bytes first(element_size3, 0);
        std::memcpy(first.data(), rec.data(), element_head_size);
        put_u16(first.data(), record_length, element_size3);
        put_u16(first.data(), element_flags,
                static_cast<uint16_t>((get_u16(rec.data(), element_flags) & ~element_flag_kind) | element_kind_arc_centre));
        Bytes part2 = first;
        put_u32(first.data(), element_points, ns);
        put_u32(first.data(), element_points + 4, fresh);
        put_u32(first.data(), element_points + 8, nc);
        put_point2(first.data(), element_coords3, start);
        put_point2(first.data(), element_coords3 + 16, p);
        put_point2(first.data(), element_coords3 + 32, c);
        put_u32(part2.data(), element_number, second);
        put_u16(part2.data(), element_options,
                static_cast<uint16_t>(get_u16(part2.data(), element_options) & ~element_opt_bar_centre));
        put_u32(part2.data(), element_points, fresh);
        put_u32(part2.data(), element_points + 4, ne);
        put_u32(part2.data(), element_points + 8, nc);
        put_point2(part2.data(), element_coords3, p);
        put_point2(part2.data(), element_coords3 + 16, end);
        put_point2(part2.data(), element_coords3 + 32, c);
        if (kind == element_kind_circle) {
            record_delete(ctx.df, projection_chain(ctx.projection, projection_elements), element, eb);
            if (error_flag || !add_element(ctx, first)) return -1;
        } else if (!rewrite(ctx, element, first)) {
            return -1;
        }
        if (!add_element(ctx, part2)) return -1;
        split_a = ns;
        split_b = ne;
    } else if (kind == element_kind_arc_points) {
        // Two three-point arcs, each with a new point halfway along it.
        uint32_t mid1 = point_number_alloc();
        uint32_t mid2 = mid1 ? point_number_alloc() : 0;
        if (!mid1 || !mid2) return -1;
        Point2 m1 = midpoint_along(centre, g[0], p, direction);
        Point2 m2 = midpoint_along(centre, p, g[1], direction);
        Bytes part2 = rec;
        put_u32(rec.data(), element_points + 4, fresh);
        put_u32(rec.data(), element_points + 8, mid1);
        put_point2(rec.data(), element_coords3 + 16, p);
        put_point2(rec.data(), element_coords3 + 32, m1);
        put_u32(part2.data(), element_number, second);
        put_u16(part2.data(), element_options,
                static_cast<uint16_t>(get_u16(part2.data(), element_options) & ~element_opt_bar_centre));
        put_u32(part2.data(), element_points, fresh);
        put_u32(part2.data(), element_points + 8, mid2);
        put_point2(part2.data(), element_coords3, p);
        put_point2(part2.data(), element_coords3 + 32, m2);
        if (!rewrite(ctx, element, rec) || !add_element(ctx, part2)) return -1;
        if (!add_reference_point(ctx, mid1, m1) || !add_reference_point(ctx, mid2, m2)) return -1;
        split_a = pts[0];
        split_b = pts[1];
    } else {
        // The curve takes the point as a vertex after the crossed piece.
        int n = get_i16(rec.data(), curve_count);
        std::vector<CurveVertex> v(static_cast<size_t>(n) + 1);
        for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = element_curve_vertex(rec.data(), i);
        split_a = v[static_cast<size_t>(curve_piece)].point_number;
        split_b = v[static_cast<size_t>(curve_piece) + 1].point_number;
        CurveVertex nv{fresh, p, p};
        v.insert(v.begin() + curve_piece + 1, nv);
        v.pop_back();
        ++n;
        uint16_t o = get_u16(rec.data(), element_options);
        smooth_curve_through_points(v.data(), n, (o & element_opt_closed) ? 1 : 0, (o & element_opt_three_point) ? 1 : 0);
        Bytes grown(curve_record_length(n, false), 0);
        std::memcpy(grown.data(), rec.data(), curve_vertices);
        put_u16(grown.data(), record_length, static_cast<uint16_t>(grown.size()));
        put_i16(grown.data(), curve_count, static_cast<int16_t>(n));
        for (int i = 0; i < n; ++i) {
            uint32_t base = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
            put_u32(grown.data(), base + curve_vertex_point, v[static_cast<size_t>(i)].point_number);
            put_point2(grown.data(), base + curve_vertex_x, v[static_cast<size_t>(i)].point);
            if (i + 1 < n) put_point2(grown.data(), base + curve_vertex_through_x, v[static_cast<size_t>(i)].through);
        }
        record_delete(ctx.df, projection_chain(ctx.projection, projection_elements), element, eb);
        if (error_flag || !add_element(ctx, grown)) return -1;
    }
    if (error_flag) return -1;
    if (member && second) contours_add_split_element(ctx.df, ctx.projection, number, second);
    if (error_flag) return -1;
    link_dimensions_to_new_point(ctx, split_a, split_b, fresh);
    if (error_flag) return -1;
    if (!add_reference_point(ctx, fresh, p)) return -1;
    prompt(ctx, text_point_set);
    if (out) {
        out->point = fresh;
        out->new_element = second;
    }
    return 1;
}

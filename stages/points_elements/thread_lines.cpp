// Thread lines: the three-quarter thread arcs and the trimming of thread
// lines to the outline.
#include "stages/points_elements/thread_lines.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/program_messages.h"
#include "geometry/growing_arrays.h"
#include "geometry/intersect.h"
#include "geometry/metric.h"
#include "stages/points_elements/element_records.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

const int thread_type = 7;
const double pi = 3.14159265358979323846;

PageBuffer* element_buffer() { return &page_buffers[table_elements]; }

struct Copy {
    RecordRef ref;
    std::vector<unsigned char> bytes;
};

bool skipped(const unsigned char* r) {
    return (get_u16(r, element_flags) & (element_flag_purge | element_flag_screen_piece)) != 0;
}

// Writes a point's true position (and flag bits when asked).
void point_true_set(DrawingFile* df, unsigned char* projection, uint32_t number, Point2 at, uint16_t flag) {
    if (!number) return;
    RecordRef from = 0;
    unsigned char* p = record_find_key(df, projection_chain(projection, projection_points), number, &from,
                                       &page_buffers[table_points]);
    if (!p || get_u16(p, record_length) != point_record_size) return;
    put_point2(p, point_true_x, at);
    put_u16(p, point_flags, static_cast<uint16_t>(get_u16(p, point_flags) | flag));
    page_buffers[table_points].clean = 0;
}

// The crossings of the segment with one element record.
void crossings(const Segment& s, const unsigned char* r, std::vector<Point2>* out) {
    Point2 hits[4];
    int n = 0;
    switch (element_kind(r)) {
    case element_kind_segment: {
        Segment o{get_point2(r, element_coords2), get_point2(r, element_coords2 + 16)};
        n = intersect_segments(&s, &o, hits);
        break;
    }
    case element_kind_circle: {
        CircleGeom c{get_point2(r, element_coords2), get_point2(r, element_coords2 + 16)};
        n = intersect_segment_circle(&s, &c, hits);
        break;
    }
    case element_kind_arc_centre:
    case element_kind_arc_points: {
        ArcByCentre a{get_point2(r, element_coords3), get_point2(r, element_coords3 + 16),
                      get_point2(r, element_coords3 + 32)};
        n = intersect_segment_arc(&s, &a, element_kind(r), hits);
        break;
    }
    case element_kind_curve: {
        int count = get_i16(r, curve_count);
        if (count < 2) return;
        std::vector<CurveVertex> v(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) v[static_cast<size_t>(i)] = element_curve_vertex(r, i);
        PointArray a{};
        intersect_segment_curve(&s, v.data(), count, &a);
        for (size_t i = 0; i < a.used; ++i) out->push_back(a.items[i]);
        point_array_free(&a);
        return;
    }
    default: return;
    }
    for (int i = 0; i < n && i < 4; ++i) out->push_back(hits[i]);
}

}  // namespace

int thread_lines_trim(DrawingFile* df, unsigned char* projection) {
    if (!df || !projection) return -1;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    std::vector<Copy> all;
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag; r = record_next(df, head, r, eb)) {
        if (get_u16(r, record_length) < element_head_size || skipped(r) || !element_record_valid(r)) continue;
        int kind = element_kind(r);
        if (kind < element_kind_segment || kind > element_kind_curve) continue;
        all.push_back({record_ref_of(eb, r), std::vector<unsigned char>(r, r + get_u16(r, record_length))});
    }
    if (error_flag) return -1;
    int changed = 0;
    auto write = [&](const Copy& c) {
        RecordRef at = c.ref;
        unsigned char* r = record_read_at(df, &at, eb);
        if (!r || get_u16(r, record_length) != c.bytes.size()) return;
        std::memcpy(r, c.bytes.data(), c.bytes.size());
        eb->clean = 0;
        ++changed;
    };
    // The thread arcs first: their new ends take part in the crossings.
    for (Copy& c : all) {
        unsigned char* r = c.bytes.data();
        if (element_kind(r) != element_kind_arc_centre || element_line_type(r) != thread_type) continue;
        Point2 centre = get_point2(r, element_coords3 + 32);
        double radius = point_distance(get_point2(r, element_coords3), centre);
        double a0 = pi - 5 * pi / 180, a1 = -pi / 2 - 5 * pi / 180;
        Point2 s{centre.x + radius * std::cos(a0), centre.y + radius * std::sin(a0)};
        Point2 e{centre.x + radius * std::cos(a1), centre.y + radius * std::sin(a1)};
        put_point2(r, element_coords3, s);
        put_point2(r, element_coords3 + 16, e);
        point_true_set(df, projection, get_u32(r, element_points), s, 0);
        point_true_set(df, projection, get_u32(r, element_points + 4), e, 0);
        write(c);
    }
    // Then the thread lines, each against every other element.
    for (Copy& c : all) {
        unsigned char* r = c.bytes.data();
        if (element_kind(r) != element_kind_segment || element_line_type(r) != thread_type) continue;
        Segment s{get_point2(r, element_coords2), get_point2(r, element_coords2 + 16)};
        std::vector<Point2> hits;
        for (const Copy& o : all)
            if (&o != &c && get_u32(o.bytes.data(), element_number) != get_u32(r, element_number))
                crossings(s, o.bytes.data(), &hits);
        if (hits.empty()) continue;
        auto nearest = [&](Point2 to) {
            Point2 best = hits[0];
            for (Point2 h : hits)
                if (point_distance(h, to) < point_distance(best, to)) best = h;
            return best;
        };
        Point2 start = s.start, end = s.end;
        if (hits.size() >= 2) {
            start = nearest(s.start);
            end = nearest(s.end);
        } else if (point_distance(hits[0], s.start) <= point_distance(hits[0], s.end)) {
            start = hits[0];
        } else {
            end = hits[0];
        }
        if (point_distance(start, end) == 0) continue;
        put_point2(r, element_coords2, start);
        put_point2(r, element_coords2 + 16, end);
        point_true_set(df, projection, get_u32(r, element_points), start, point_flag_thread_end);
        point_true_set(df, projection, get_u32(r, element_points + 4), end, point_flag_thread_end);
        write(c);
    }
    return error_flag ? -1 : changed;
}

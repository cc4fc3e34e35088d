// Bars along a closed contour: marking the contour's members, hiding the
// caps inside the contour and joining the outer caps of neighbouring bars
// by arcs about the contour's corners.
#include "stages/points_elements/bars_contour.h"

#include <cmath>
#include <cstring>

#include "base/program_messages.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "render/contours/contour_lists.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/element_records.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

constexpr double two_pi = 6.283185307179586;
constexpr double pi = 3.141592653589793;

PageBuffer* element_buffer() { return &page_buffers[table_elements]; }
PageBuffer* construction_buffer() { return &page_buffers[table_construction]; }

// Options bits 9 and 10 keep a member out of the bars.
constexpr uint16_t member_options_excluded = 0x0600;
constexpr int line_type_excluded = 15;

// Edges along an arc by centre, stored running with decreasing angle from
// start to end; small enough steps that the chord stays within a thousandth
// of the radius of the arc.
void add_arc_edges(ContourOutline* o, const ArcByCentre& a) {
    double r = point_distance(a.start, a.centre);
    if (!(r > 0)) return;
    double sweep = arc_sweep_angle(&a);
    double a0 = std::atan2(a.start.y - a.centre.y, a.start.x - a.centre.x);
    int n = static_cast<int>(std::ceil(sweep / two_pi * 256));
    if (n < 4) n = 4;
    Point2 prev = a.start;
    for (int i = 1; i <= n; ++i) {
        Point2 q = i == n && sweep < two_pi ? a.end
                                            : Point2{a.centre.x + r * std::cos(a0 - sweep * i / n),
                                                     a.centre.y + r * std::sin(a0 - sweep * i / n)};
        o->edges.push_back(Segment{prev, q});
        prev = q;
    }
}

struct Bar {
    RecordRef ref;
    unsigned char rec[bar_record_size_corners];
};

std::vector<Bar> read_bars(DrawingFile* df, unsigned char* projection) {
    std::vector<Bar> bars;
    RecordRef* head = projection_chain(projection, projection_construction);
    PageBuffer* b = construction_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        uint16_t len = get_u16(r, record_length);
        if (r[record_kind] != construction_kind_bar || (len != bar_record_size && len != bar_record_size_corners))
            continue;
        Bar bar{};
        bar.ref = record_ref_of(b, r);
        std::memcpy(bar.rec, r, len);
        bars.push_back(bar);
    }
    return bars;
}

uint32_t slot_number(const Bar& b, int slot) { return get_u32(b.rec, bar_slots + bar_slot_size * slot); }
uint16_t slot_type(const Bar& b, int slot) { return get_u16(b.rec, bar_slots + bar_slot_size * slot + 6); }
void clear_slot_type(Bar& b, int slot) { put_u16(b.rec, bar_slots + bar_slot_size * slot + 6, 0); }

// A copy of the first element record of the number, empty when none.
std::vector<unsigned char> element_copy(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = element_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b))
        if (get_u16(r, record_length) >= element_head_size && get_u32(r, element_number) == number)
            return std::vector<unsigned char>(r, r + get_u16(r, record_length));
    return {};
}

// The middle of an outline piece: a line's midpoint, a circle's stored
// point, an arc's middle.
bool piece_middle(const unsigned char* r, Point2* out) {
    uint16_t len = get_u16(r, record_length);
    switch (element_kind(r)) {
    case element_kind_segment:
    case element_kind_circle:
        if (len < element_size2) return false;
        if (element_kind(r) == element_kind_circle) {
            *out = get_point2(r, element_coords2);
        } else {
            Point2 a = get_point2(r, element_coords2), b = get_point2(r, element_coords2 + 16);
            *out = {(a.x + b.x) / 2, (a.y + b.y) / 2};
        }
        return true;
    case element_kind_arc_centre: {
        if (len < element_size3) return false;
        ArcByCentre a{get_point2(r, element_coords3), get_point2(r, element_coords3 + 16),
                      get_point2(r, element_coords3 + 32)};
        arc_midpoint(&a, out);
        return true;
    }
    default: return false;
    }
}

// A visible cap of a new bar: which of its line's ends touches the centre
// element (inner) and which lies off it (outer), with their point numbers.
struct Cap {
    size_t bar;
    int slot;
    Point2 inner, outer;
    uint32_t inner_point, outer_point;
    int line_type;
    bool joined;
};

// Slots 0 and 3 run from the centre outwards, 2 and 5 towards it.
int inner_end_of_slot(int slot) { return slot == 0 || slot == 3 ? 0 : 1; }

const int cap_slots[4] = {0, 2, 3, 5};

}  // namespace

bool contour_outline_add_element(ContourOutline* o, const unsigned char* r) {
    uint16_t len = get_u16(r, record_length);
    switch (element_kind(r)) {
    case element_kind_segment:
        if (len < element_size2) return false;
        o->edges.push_back(Segment{get_point2(r, element_coords2), get_point2(r, element_coords2 + 16)});
        return true;
    case element_kind_circle: {
        if (len < element_size2) return false;
        Point2 on = get_point2(r, element_coords2);
        ArcByCentre a{on, on, get_point2(r, element_coords2 + 16)};
        add_arc_edges(o, a);
        return true;
    }
    case element_kind_arc_centre: {
        if (len < element_size3) return false;
        add_arc_edges(o, ArcByCentre{get_point2(r, element_coords3), get_point2(r, element_coords3 + 16),
                                     get_point2(r, element_coords3 + 32)});
        return true;
    }
    case element_kind_arc_points: {
        if (len < element_size3) return false;
        ArcByPoints p{get_point2(r, element_coords3), get_point2(r, element_coords3 + 16),
                      get_point2(r, element_coords3 + 32)};
        ArcByCentre a{};
        if (arc_by_points_to_centre(&p, &a)) add_arc_edges(o, a);
        else o->edges.push_back(Segment{p.start, p.end});
        return true;
    }
    default: return false;
    }
}

bool contour_outline_capture(DrawingFile* df, unsigned char* projection, const unsigned char* contour,
                             ContourOutline* out) {
    out->members.clear();
    out->edges.clear();
    if (!contour) return false;
    int count = get_i16(contour, contour_member_count);
    int room = (static_cast<int>(get_u16(contour, record_length)) - static_cast<int>(contour_members)) / 4;
    if (count > room) count = room;
    std::set<uint32_t> seen;
    auto member = [&](uint32_t element) {
        if (seen.insert(element).second) out->members.push_back(element);
    };
    bool from_pieces = !get_u32(contour, contour_number) && contour_pieces;
    for (int m = 0; m < count; ++m) {
        uint32_t number = get_u32(contour, contour_members + 4 * static_cast<uint32_t>(m));
        if (!from_pieces) {
            member(number);
            for (uint8_t* e = contour_member_next(projection, nullptr, number); e;
                 e = contour_member_next(projection, e, number))
                contour_outline_add_element(out, e);
            continue;
        }
        // A contour that was not stored names pieces of the search's list:
        // their geometry, and the elements they were cut from.
        for (ContourPiece* p = contour_pieces; p; p = p->next) {
            if (p->number != number) continue;
            unsigned char rec[element_size3] = {};
            int kind = piece_kind(p);
            put_u16(rec, record_length, kind == piece_arc ? element_size3 : element_size2);
            put_u16(rec, element_flags, static_cast<uint16_t>(kind));
            for (int i = 0; i < (kind == piece_arc ? 3 : 2); ++i)
                put_point2(rec, (kind == piece_arc ? element_coords3 : element_coords2) + 16 * i, p->g[i]);
            contour_outline_add_element(out, rec);
            RecordRef at = p->source;
            unsigned char* e = at ? record_read_at(df, &at, element_buffer()) : nullptr;
            if (e && get_u16(e, record_length) >= element_head_size) member(get_u32(e, element_number));
        }
    }
    return !out->members.empty() && !out->edges.empty();
}

bool contour_outline_contains(const ContourOutline& o, Point2 p) {
    // A point on the boundary counts as inside, as for the search's own
    // test of a hole contour: the inner cap at a right-angled corner lies
    // along the next side.
    double reach = 1e-9 * (1 + std::fabs(p.x) + std::fabs(p.y));
    bool inside = false;
    for (const Segment& s : o.edges) {
        Point2 a = s.start, b = s.end;
        double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        if (std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y) <= reach) return true;
        if ((a.y > p.y) == (b.y > p.y)) continue;
        double x = a.x + (p.y - a.y) * dx / dy;
        if (x > p.x) inside = !inside;
    }
    return inside;
}

int bars_contour_mark_members(DrawingFile* df, unsigned char* projection, const ContourOutline& outline) {
    elements_unmark_all(df, projection);
    std::set<uint32_t> members(outline.members.begin(), outline.members.end());
    std::set<uint32_t> chosen;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = element_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < element_head_size) continue;
        uint32_t n = get_u32(r, element_number);
        if (!members.count(n)) continue;
        uint16_t f = get_u16(r, element_flags), o = get_u16(r, element_options);
        if (((f & element_flag_line_type) >> 4) == line_type_excluded || (o & member_options_excluded)) continue;
        chosen.insert(n);
    }
    for (uint32_t n : chosen) element_number_set_mark(df, projection, n, true);
    return static_cast<int>(chosen.size());
}

std::set<uint32_t> bar_centre_elements(DrawingFile* df, unsigned char* projection) {
    std::set<uint32_t> centres;
    for (const Bar& b : read_bars(df, projection)) centres.insert(get_u32(b.rec, bar_element));
    return centres;
}

int bars_contour_finish(DrawingFile* df, unsigned char* projection, const ContourOutline& outline,
                        const std::set<uint32_t>& centres_before) {
    error_flag = 0;
    std::set<uint32_t> members(outline.members.begin(), outline.members.end());
    std::vector<Bar> bars = read_bars(df, projection);
    if (error_flag) return -1;
    std::vector<size_t> fresh;
    for (size_t i = 0; i < bars.size(); ++i) {
        uint32_t centre = get_u32(bars[i].rec, bar_element);
        if (members.count(centre) && !centres_before.count(centre)) fresh.push_back(i);
    }

    // Caps inside the contour lose their line type; the others that still
    // show are the candidates for the joining arcs.
    std::vector<Cap> caps;
    for (size_t i : fresh) {
        Bar& bar = bars[i];
        for (int slot : cap_slots) {
            uint32_t number = slot_number(bar, slot);
            if (!number || !(slot_type(bar, slot) & bar_slot_line_type)) continue;
            std::vector<unsigned char> piece = element_copy(df, projection, number);
            Point2 middle{};
            if (piece.empty() || !piece_middle(piece.data(), &middle)) continue;
            if (contour_outline_contains(outline, middle)) {
                clear_slot_type(bar, slot);
                continue;
            }
            uint16_t f = get_u16(piece.data(), element_flags);
            if (element_kind(piece.data()) != element_kind_segment || !(f & element_flag_line_type)) continue;
            int in = inner_end_of_slot(slot);
            Cap c{};
            c.bar = i;
            c.slot = slot;
            c.inner = get_point2(piece.data(), element_coords2 + 16 * in);
            c.outer = get_point2(piece.data(), element_coords2 + 16 * (1 - in));
            c.inner_point = get_u32(piece.data(), element_points + 4 * in);
            c.outer_point = get_u32(piece.data(), element_points + 4 * (1 - in));
            c.line_type = slot_type(bar, slot) & bar_slot_line_type;
            caps.push_back(c);
        }
    }
    if (error_flag) return -1;

    // Caps of two bars on one corner: each takes the partner whose outer
    // end lies nearest its own.
    struct Join {
        size_t a, b;
    };
    std::vector<Join> joins;
    {
        ToleranceGuard guard(tolerance_standing);
        for (size_t i = 0; i < caps.size(); ++i) {
            if (caps[i].joined) continue;
            size_t best = caps.size();
            double best_d = 0;
            for (size_t j = 0; j < caps.size(); ++j) {
                if (j == i || caps[j].joined || caps[j].bar == caps[i].bar) continue;
                if (!points_equal(caps[i].inner.x, caps[i].inner.y, caps[j].inner.x, caps[j].inner.y)) continue;
                double d = point_distance(caps[i].outer, caps[j].outer);
                if (best == caps.size() || d < best_d) {
                    best = j;
                    best_d = d;
                }
            }
            if (best == caps.size()) continue;
            caps[i].joined = caps[best].joined = true;
            joins.push_back({i, best});
        }
    }
    for (const Join& j : joins) {
        clear_slot_type(bars[caps[j.a].bar], caps[j.a].slot);
        clear_slot_type(bars[caps[j.b].bar], caps[j.b].slot);
    }

    // The bar records keep their length: write them back in place.
    for (const Bar& bar : bars) {
        RecordRef at = bar.ref;
        unsigned char* r = record_read_at(df, &at, construction_buffer());
        if (!r) return -1;
        std::memcpy(r, bar.rec, get_u16(bar.rec, record_length));
        construction_buffer()->clean = 0;
    }

    int added = 0;
    RecordRef* head = projection_chain(projection, projection_elements);
    for (const Join& j : joins) {
        const Cap* s = &caps[j.a];
        const Cap* e = &caps[j.b];
        ArcByCentre arc{s->outer, e->outer, s->inner};
        // Stored arcs run with decreasing angle: the ends swap so that the
        // arc takes the shorter way round the corner.
        if (arc_sweep_angle(&arc) > pi) {
            std::swap(s, e);
            arc = ArcByCentre{s->outer, e->outer, s->inner};
        }
        uint32_t number = element_number_alloc();
        if (!number) break;
        unsigned char rec[element_size3] = {};
        put_u16(rec, record_length, element_size3);
        put_u32(rec, element_number, number);
        put_u16(rec, element_flags, static_cast<uint16_t>(element_kind_arc_centre | (s->line_type << 4)));
        put_u32(rec, element_points, s->outer_point);
        put_u32(rec, element_points + 4, e->outer_point);
        put_u32(rec, element_points + 8, s->inner_point);
        put_point2(rec, element_coords3, arc.start);
        put_point2(rec, element_coords3 + 16, arc.end);
        put_point2(rec, element_coords3 + 32, arc.centre);
        if (!record_add(df, head, rec, element_buffer())) {
            element_number_release(number);
            return -1;
        }
        ++added;
    }
    put_u16(projection, projection_flags,
            static_cast<uint16_t>(get_u16(projection, projection_flags) | projection_word_changed));
    if (rebuild_bars(df, projection) < 0) return -1;
    elements_unmark_all(df, projection);
    return error_flag ? -1 : added;
}

// Marking graphic elements: hit test, shared marks, contours and fragments
// marked whole, the rubber band and the marked-element list.
#include "stages/points_elements/element_marking.h"

#include <cmath>
#include <cstdio>
#include <set>

#include "base/program_messages.h"
#include "geometry/intersect.h"
#include "geometry/metric.h"
#include "geometry/nearest_points.h"
#include "render/output/element_drawing.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/marking_contours.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

PageBuffer* element_buffer() { return &page_buffers[table_elements]; }
RecordRef* element_head(unsigned char* projection) { return projection_chain(projection, projection_elements); }

bool layer_visible(const unsigned char* e, uint16_t visible_layers) {
    int layer = element_layer(e);
    return layer == 0 || (visible_layers & (1u << layer)) != 0;
}

// Records a click or the band may pick: not hidden by screening (its pieces
// stand for it), not an inside screening piece, not awaiting the purge.
bool selectable(const unsigned char* e) {
    uint16_t f = get_u16(e, element_flags);
    if (f & (element_flag_screened | element_flag_purge)) return false;
    if ((f & element_flag_screen_piece) == 0x2000) return false;
    return element_record_valid(e);
}

Point2 coords(const unsigned char* e, int i) {
    return get_point2(e, element_coords_offset(element_kind(e)) + 16 * static_cast<uint32_t>(i));
}

int curve_vertex_count(const unsigned char* e) {
    int n = get_i16(e, curve_count);
    uint32_t len = get_u16(e, record_length);
    int room = static_cast<int>((len - curve_vertices + 16) / curve_vertex_size);
    return n < 0 ? 0 : (n > room ? room : n);
}

// Distance from p to the element, HUGE_VAL for kinds not measured.
double element_distance(const unsigned char* e, Point2 p) {
    int kind = element_kind(e);
    Point2 near{};
    switch (kind) {
    case element_kind_segment:
    case element_kind_break: {
        Point2 g[2] = {coords(e, 0), coords(e, 1)};
        return point_element_distance(1, g, p, &near);
    }
    case element_kind_circle: {
        Point2 g[2] = {coords(e, 0), coords(e, 1)};
        return point_element_distance(2, g, p, &near);
    }
    case element_kind_arc_centre:
    case element_kind_arc_points: {
        Point2 g[3] = {coords(e, 0), coords(e, 1), coords(e, 2)};
        return point_element_distance(kind, g, p, &near);
    }
    case element_kind_curve: {
        int n = curve_vertex_count(e);
        double best = HUGE_VAL;
        if (n == 1) return point_distance(element_curve_vertex(e, 0).point, p);
        for (int i = 0; i + 1 < n; ++i) {
            CurveVertex a = element_curve_vertex(e, i), b = element_curve_vertex(e, i + 1);
            Point2 g[3] = {a.point, b.point, a.through};
            double d = point_element_distance(4, g, p, &near);
            // A piece whose through point lies on its chord is straight.
            Segment s{a.point, b.point};
            int16_t count = 0;
            double ds = point_segment_distance(&s, p, &count, &near);
            ArcByPoints arc{a.point, b.point, a.through};
            Point2 centre{};
            if (!arc_center_from_three_points(&arc, &centre) || !std::isfinite(d)) d = ds;
            if (d < best) best = d;
        }
        return best;
    }
    case element_kind_symbol: {
        int n = get_u16(e, element_symbol_count);
        double best = HUGE_VAL;
        for (int i = 0; i < n; ++i) {
            uint32_t at = element_symbol_items + element_symbol_item_size * static_cast<uint32_t>(i);
            if (at + element_symbol_item_size > get_u16(e, record_length)) break;
            double d = point_distance(get_point2(e, at + 4), p);
            if (d < best) best = d;
        }
        return best;
    }
    default: return HUGE_VAL;
    }
}

bool inside(Box b, Point2 p) { return p.x >= b.min_x && p.x <= b.max_x && p.y >= b.min_y && p.y <= b.max_y; }

// Whether a side of the box crosses the element.
bool crosses_box(const unsigned char* e, Box b) {
    Segment sides[4] = {{{b.min_x, b.min_y}, {b.max_x, b.min_y}},
                        {{b.max_x, b.min_y}, {b.max_x, b.max_y}},
                        {{b.max_x, b.max_y}, {b.min_x, b.max_y}},
                        {{b.min_x, b.max_y}, {b.min_x, b.min_y}}};
    int kind = element_kind(e);
    for (const Segment& side : sides) {
        Point2 out[2];
        switch (kind) {
        case element_kind_segment:
        case element_kind_break: {
            Segment s{coords(e, 0), coords(e, 1)};
            if (intersect_segments(&side, &s, out) > 0) return true;
            break;
        }
        case element_kind_circle: {
            CircleGeom c{coords(e, 0), coords(e, 1)};
            if (intersect_segment_circle(&side, &c, out) > 0) return true;
            break;
        }
        case element_kind_arc_centre:
        case element_kind_arc_points: {
            ArcByCentre a{coords(e, 0), coords(e, 1), coords(e, 2)};
            if (intersect_segment_arc(&side, &a, kind, out) > 0) return true;
            break;
        }
        case element_kind_curve: {
            int n = curve_vertex_count(e);
            std::vector<CurveVertex> v;
            for (int i = 0; i < n; ++i) v.push_back(element_curve_vertex(e, i));
            PointArray hits{};
            int k = n > 1 ? intersect_segment_curve(&side, v.data(), n, &hits) : 0;
            point_array_free(&hits);
            if (k > 0) return true;
            break;
        }
        default: return false;
        }
    }
    return false;
}

Point2 first_point(const unsigned char* e) {
    if (element_kind(e) == element_kind_curve) return element_curve_vertex(e, 0).point;
    return coords(e, 0);
}

bool band_kind(int kind) {
    return kind == element_kind_segment || kind == element_kind_break || kind == element_kind_circle ||
           kind == element_kind_arc_centre || kind == element_kind_arc_points || kind == element_kind_curve;
}

struct Head {
    bool found = false;
    uint16_t flags = 0;
    uint16_t fragment = 0;
};
// The flags and fragment of the number's first record.
Head head_of(DrawingFile* df, unsigned char* projection, uint32_t number) {
    Head h;
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (get_u32(e, element_number) != number) continue;
        h.found = true;
        h.flags = get_u16(e, element_flags);
        h.fragment = get_u16(e, element_fragment);
        break;
    }
    return h;
}

double contour_length_of(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* b = &page_buffers[table_contours];
    for (unsigned char* c = record_next(df, head, nullptr, b); c && !error_flag; c = record_next(df, head, c, b))
        if (get_u32(c, contour_number) == number && get_u16(c, record_length) >= contour_head_size &&
            !(get_u16(c, contour_flags) & contour_flag_continuation))
            return get_f64(c, contour_perimeter);
    return 0;
}

// Drops the member flag of every record of the number.
void drop_member_flag(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (get_u32(e, element_number) != number) continue;
        put_u16(e, element_flags,
                static_cast<uint16_t>(get_u16(e, element_flags) & ~(element_flag_contour_member | element_flag_marked)));
        b->clean = 0;
    }
}

void mark_fragment(DrawingFile* df, unsigned char* projection, uint16_t fragment, bool marked) {
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (get_u16(e, element_fragment) != fragment) continue;
        uint16_t f = get_u16(e, element_flags);
        uint16_t g = marked ? static_cast<uint16_t>(f | element_flag_marked)
                            : static_cast<uint16_t>(f & ~element_flag_marked);
        if (g != f) {
            put_u16(e, element_flags, g);
            b->clean = 0;
        }
    }
}

}  // namespace

uint32_t element_hit_test(DrawingFile* df, unsigned char* projection, Point2 p, double reach,
                          uint16_t visible_layers) {
    uint32_t best = 0;
    double best_d = reach;
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (!selectable(e) || !layer_visible(e, visible_layers)) continue;
        double d = element_distance(e, p);
        if (d <= best_d) {
            best_d = d;
            best = get_u32(e, element_number);
        }
    }
    return best;
}

int element_number_set_mark(DrawingFile* df, unsigned char* projection, uint32_t number, bool marked) {
    int changed = 0;
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (get_u32(e, element_number) != number) continue;
        uint16_t f = get_u16(e, element_flags);
        uint16_t g = marked ? static_cast<uint16_t>(f | element_flag_marked)
                            : static_cast<uint16_t>(f & ~element_flag_marked);
        if (g == f) continue;
        put_u16(e, element_flags, g);
        b->clean = 0;
        ++changed;
    }
    return changed;
}

bool element_number_marked(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b))
        if (get_u32(e, element_number) == number && (get_u16(e, element_flags) & element_flag_marked)) return true;
    return false;
}

int elements_unmark_all(DrawingFile* df, unsigned char* projection) {
    int changed = 0;
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        uint16_t f = get_u16(e, element_flags);
        if (!(f & element_flag_marked)) continue;
        put_u16(e, element_flags, static_cast<uint16_t>(f & ~element_flag_marked));
        b->clean = 0;
        ++changed;
    }
    return changed;
}

namespace {

// Marks number and spreads the mark to its contour or fragment (no clearing).
MarkOutcome mark_with_group(DrawingFile* df, unsigned char* projection, uint32_t number, bool marked, bool single) {
    MarkOutcome out;
    element_number_set_mark(df, projection, number, marked);
    out.marked = marked;
    if (single || !marked) return out;
    Head h = head_of(df, projection, number);
    if (h.flags & element_flag_contour_member) {
        int level = 0;
        uint32_t c = contour_innermost_of_element(df, projection, number, &level);
        if (!c) {
            drop_member_flag(df, projection, number);
            out.marked = false;
            return out;
        }
        std::vector<uint32_t> members;
        int kind = 0;
        contour_member_list(df, projection, c, &members, &kind, &level);
        for (uint32_t m : members) element_number_set_mark(df, projection, m, true);
        out.contour = c;
        out.contour_kind = kind;
        out.contour_level = level;
        out.contour_length = contour_length_of(df, projection, c);
    } else if (h.fragment != 0) {
        mark_fragment(df, projection, h.fragment, true);
        out.fragment = h.fragment;
    }
    return out;
}

}  // namespace

MarkOutcome element_mark_click(DrawingFile* df, unsigned char* projection, uint32_t number, bool single) {
    return element_mark_set(df, projection, number, !element_number_marked(df, projection, number), single);
}

MarkOutcome element_mark_set(DrawingFile* df, unsigned char* projection, uint32_t number, bool marked, bool single) {
    Head h = head_of(df, projection, number);
    if (!h.found) return MarkOutcome();
    if (!single && ((h.flags & element_flag_contour_member) || h.fragment != 0)) elements_unmark_all(df, projection);
    return mark_with_group(df, projection, number, marked, single);
}

int elements_mark_in_box(DrawingFile* df, unsigned char* projection, Box box, uint16_t visible_layers, bool single) {
    std::vector<uint32_t> taken;
    std::set<uint32_t> seen;
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (!selectable(e) || !layer_visible(e, visible_layers) || !band_kind(element_kind(e))) continue;
        uint32_t n = get_u32(e, element_number);
        if (seen.count(n)) continue;
        if (inside(box, first_point(e)) || crosses_box(e, box)) {
            seen.insert(n);
            taken.push_back(n);
        }
    }
    // Marks after the walk: spreading a mark rewrites other records.
    for (uint32_t n : taken) mark_with_group(df, projection, n, true, single);
    return static_cast<int>(taken.size());
}

std::vector<MarkedLine> marked_element_lines(DrawingFile* df, unsigned char* projection) {
    std::vector<MarkedLine> out;
    std::set<uint32_t> seen;
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        uint16_t f = get_u16(e, element_flags);
        if (!(f & element_flag_marked) || (f & element_flag_screen_piece)) continue;
        if (get_u16(e, element_options) & element_opt_image) continue;
        uint32_t n = get_u32(e, element_number);
        if (!seen.insert(n).second) continue;
        const char* type = line_type_name(element_line_type(e));
        char text[160];
        std::snprintf(text, sizeof text, "%lu %s - %s", static_cast<unsigned long>(n), element_kind_name(element_kind(e)),
                      type ? type + 1 : "");
        out.push_back({n, text});
    }
    return out;
}

bool marked_contour_member(DrawingFile* df, unsigned char* projection, uint32_t* innermost) {
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    uint32_t found = 0;
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        uint16_t f = get_u16(e, element_flags);
        if ((f & element_flag_marked) && (f & element_flag_contour_member)) {
            found = get_u32(e, element_number);
            break;
        }
    }
    if (!found) return false;
    uint32_t c = contour_innermost_of_element(df, projection, found, nullptr);
    if (innermost) *innermost = c;
    return c != 0;
}

bool marked_fragment_element(DrawingFile* df, unsigned char* projection) {
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b))
        if ((get_u16(e, element_flags) & element_flag_marked) && get_u16(e, element_fragment) != 0) return true;
    return false;
}

int mark_level(DrawingFile* df, unsigned char* projection, int level, uint32_t* contour) {
    if (contour) *contour = 0;
    if (level % 2) {
        int marked = 0;
        RecordRef* head = element_head(projection);
        PageBuffer* b = element_buffer();
        for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
            int l = get_u16(e, element_level);
            if (l == 0) l = 1;
            if (l != level) continue;
            put_u16(e, element_flags, static_cast<uint16_t>(get_u16(e, element_flags) | element_flag_marked));
            b->clean = 0;
            ++marked;
        }
        return marked;
    }
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* cb = &page_buffers[table_contours];
    uint32_t number = 0;
    for (unsigned char* c = record_next(df, head, nullptr, cb); c && !error_flag; c = record_next(df, head, c, cb)) {
        uint16_t f = get_u16(c, contour_flags);
        if (get_u16(c, record_length) < contour_head_size || (f & contour_flag_continuation)) continue;
        if ((f & contour_flag_kind) == 2 || get_i16(c, contour_level) != level) continue;
        number = get_u32(c, contour_number);
        break;
    }
    if (!number) return 0;
    std::vector<uint32_t> members;
    contour_member_list(df, projection, number, &members, nullptr, nullptr);
    int marked = 0;
    for (uint32_t m : members) marked += element_number_set_mark(df, projection, m, true);
    if (contour) *contour = number;
    return marked;
}

int marked_apply_line_type(DrawingFile* df, unsigned char* projection, int code) {
    std::set<uint32_t> numbers;
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b))
        if (get_u16(e, element_flags) & element_flag_marked) numbers.insert(get_u32(e, element_number));
    int changed = 0;
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (!numbers.count(get_u32(e, element_number))) continue;
        uint16_t f = get_u16(e, element_flags);
        int type = line_type_for_kind(f & element_flag_kind, code);
        uint16_t g = static_cast<uint16_t>(((f & ~element_flag_line_type) | (type << 4)) & ~element_flag_marked);
        if ((g & element_flag_line_type) != (f & element_flag_line_type)) ++changed;
        if (g != f) {
            put_u16(e, element_flags, g);
            b->clean = 0;
        }
    }
    return changed;
}

int contours_delete_all(DrawingFile* df, unsigned char* projection) {
    put_u16(projection, projection_flags, static_cast<uint16_t>(get_u16(projection, projection_flags) & ~0x2000));
    RecordRef* head = element_head(projection);
    PageBuffer* b = element_buffer();
    // Deleting compacts the page: each deletion starts the walk again.
    for (bool again = true; again && !error_flag;) {
        again = false;
        for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
            uint16_t f = get_u16(e, element_flags);
            if (f & element_flag_purge) continue;
            bool piece = (f & element_flag_screen_piece) != 0;
            bool brk = (f & element_flag_kind) == element_kind_break;
            if (!piece && !brk) continue;
            uint32_t n = get_u32(e, element_number);
            record_delete(df, head, record_ref_of(b, e), b);
            if (brk) element_number_release(n);
            again = true;
            break;
        }
    }
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        uint16_t f = get_u16(e, element_flags);
        if (f & element_flag_purge) continue;
        put_u16(e, element_flags,
                static_cast<uint16_t>(f & ~(element_flag_marked | element_flag_contour_member | element_flag_screened)));
        put_u16(e, element_level, 0);
        b->clean = 0;
    }
    int deleted = 0;
    RecordRef* ch = projection_chain(projection, projection_contours);
    PageBuffer* cb = &page_buffers[table_contours];
    for (bool again = true; again && !error_flag;) {
        again = false;
        for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb)) {
            uint16_t f = get_u16(c, contour_flags);
            if ((f & contour_flag_kind) == 2) continue;
            if (!(f & contour_flag_continuation)) ++deleted;
            record_delete(df, ch, record_ref_of(cb, c), cb);
            again = true;
            break;
        }
    }
    put_u16(projection, projection_highest_level, 0);
    return deleted;
}

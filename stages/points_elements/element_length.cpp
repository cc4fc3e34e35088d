// Changing the length of a drawn element about its fixed point.
#include "stages/points_elements/element_length.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/program_messages.h"
#include "geometry/curves.h"
#include "stages/points_elements/element_records.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

using Bytes = std::vector<unsigned char>;

bool find_element(DrawingFile* df, unsigned char* projection, uint32_t number, Bytes* rec, RecordRef* ref) {
    RecordRef* eh = projection_chain(projection, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, eh, nullptr, eb); r && !error_flag; r = record_next(df, eh, r, eb)) {
        if (!element_record_valid(r) || get_u32(r, element_number) != number) continue;
        if (get_u16(r, element_options) & element_opt_image) continue;
        if (get_u16(r, element_flags) & element_flag_screen_piece) continue;
        rec->assign(r, r + get_u16(r, record_length));
        if (ref) *ref = record_ref_of(eb, r);
        return true;
    }
    return false;
}

// The point record's flags2 byte, or -1 when the point does not exist.
int point_flags2_of(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef from = 0;
    unsigned char* p = record_find_key(df, projection_chain(projection, projection_points), number, &from,
                                       &page_buffers[table_points]);
    if (!p || get_u16(p, record_length) != point_record_size) return -1;
    return p[point_flags2];
}

// Indices of the start and the end among the element's point places.
void ends_of(const unsigned char* rec, int count, int* start, int* end) {
    int kind = element_kind(rec);
    *start = 0;
    *end = (kind == element_kind_curve || kind == element_kind_wavy) ? count - 1 : 1;
}

// The index of the fixed point, by kind and mode; -1 for kinds that have no
// length to change.
int fixed_index(const unsigned char* rec, int count, int mode) {
    int start, end;
    ends_of(rec, count, &start, &end);
    switch (element_kind(rec)) {
    case element_kind_circle: return 1;
    case element_kind_arc_centre:
    case element_kind_ellipse:
    case element_kind_elliptic_arc: return 2;
    case element_kind_segment:
    case element_kind_arc_points:
    case element_kind_wavy:
    case element_kind_curve:
    case element_kind_bezier: return mode == length_from_end ? end : start;
    default: return -1;
    }
}

}  // namespace

int element_length_modes(DrawingFile* df, unsigned char* projection, uint32_t element) {
    Bytes rec;
    if (!find_element(df, projection, element, &rec, nullptr)) return 0;
    if (element_kind(rec.data()) == element_kind_curve && (get_u16(rec.data(), element_options) & element_opt_length_fixed))
        return 0;
    ElementPointPlace places[64];
    int n = element_point_places(rec.data(), places, 64);
    if (n < 2 || fixed_index(rec.data(), n, length_from_start) < 0) return 0;
    int start, end;
    ends_of(rec.data(), n, &start, &end);
    int fs = point_flags2_of(df, projection, places[start].number);
    int fe = point_flags2_of(df, projection, places[end].number);
    if (fs < 0 || fe < 0) return 0;
    bool start_held = (fs & 0x06) != 0, end_held = (fe & 0x06) != 0;
    if (start_held && end_held) return 0;
    int kind = element_kind(rec.data());
    bool about_centre = kind == element_kind_circle || kind == element_kind_arc_centre ||
                        kind == element_kind_ellipse || kind == element_kind_elliptic_arc;
    if (about_centre) return length_from_start | length_from_end;
    if (end_held) return length_from_end;
    if (start_held) return length_from_start;
    return length_from_start | length_from_end;
}

int element_scale_length(DrawingFile* df, unsigned char** projection, uint32_t element, double ratio, int mode,
                         const LengthHooks& hooks) {
    if (!df || !projection || !*projection) return -1;
    ratio = std::fabs(ratio);
    if (!(ratio > 0) || ratio == 1 || !std::isfinite(ratio)) return 0;
    int modes = element_length_modes(df, *projection, element);
    if (!(modes & mode)) return -1;
    if (hooks.checkpoint) {
        unsigned char* p = hooks.checkpoint(*projection, element);
        if (!p) return 0;
        *projection = p;
    }
    Bytes rec;
    RecordRef ref = 0;
    if (!find_element(df, *projection, element, &rec, &ref)) return -1;
    ElementPointPlace places[64];
    int n = element_point_places(rec.data(), places, 64);
    int fixed = fixed_index(rec.data(), n, mode);
    Point2 f = get_point2(rec.data(), places[fixed].coords);
    std::vector<std::pair<uint32_t, Point2>> moved;
    for (int i = 0; i < n; ++i) {
        if (i == fixed) continue;
        Point2 p = get_point2(rec.data(), places[i].coords);
        Point2 q{f.x + ratio * (p.x - f.x), f.y + ratio * (p.y - f.y)};
        put_point2(rec.data(), places[i].coords, q);
        moved.push_back({places[i].number, q});
    }
    if (element_kind(rec.data()) == element_kind_curve) {
        std::vector<CurveVertex> v(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = element_curve_vertex(rec.data(), i);
        uint16_t o = get_u16(rec.data(), element_options);
        smooth_curve_through_points(v.data(), n, (o & element_opt_closed) ? 1 : 0, (o & element_opt_three_point) ? 1 : 0);
        for (int i = 0; i + 1 < n; ++i)
            put_point2(rec.data(), curve_vertices + curve_vertex_size * static_cast<uint32_t>(i) + curve_vertex_through_x,
                       v[static_cast<size_t>(i)].through);
    }
    RecordRef at = ref;
    unsigned char* r = record_read_at(df, &at, &page_buffers[table_elements]);
    if (!r || error_flag) return -1;
    std::memcpy(r, rec.data(), rec.size());
    page_buffers[table_elements].clean = 0;
    for (const auto& m : moved) {
        if (!m.first) continue;
        RecordRef from = 0;
        unsigned char* p = record_find_key(df, projection_chain(*projection, projection_points), m.first, &from,
                                           &page_buffers[table_points]);
        if (!p || get_u16(p, record_length) != point_record_size) continue;
        put_point2(p, point_sketch_x, m.second);
        put_point2(p, point_true_x, m.second);
        page_buffers[table_points].clean = 0;
        if (hooks.remeasure) hooks.remeasure(*projection, m.first);
    }
    put_u16(*projection, projection_flags, static_cast<uint16_t>(get_u16(*projection, projection_flags) | 0x0200));
    return error_flag ? -1 : 1;
}

// The projection transformation about a point.
#include "stages/points_elements/points_transform.h"

#include <cmath>
#include <cstring>

#include "base/program_messages.h"
#include "stages/points_elements/element_records.h"
#include "store/records.h"

namespace {

struct Map {
    double m0, m1, m2, m3, tx, ty;
    Point2 apply(Point2 p) const { return {m0 * p.x + m2 * p.y + tx, m1 * p.x + m3 * p.y + ty}; }
};

void map_at(unsigned char* r, uint32_t off, const Map& m) {
    Point2 p = m.apply({get_f64(r, off), get_f64(r, off + 8)});
    put_f64(r, off, p.x);
    put_f64(r, off + 8, p.y);
}

void swap_bytes(unsigned char* r, uint32_t a, uint32_t b, uint32_t n) {
    unsigned char t[16];
    std::memcpy(t, r + a, n);
    std::memmove(r + a, r + b, n);
    std::memcpy(r + b, t, n);
}

}  // namespace

double transform_scale_typed(double typed) {
    if (!std::isfinite(typed) || typed == 0) return 1.0;
    return std::fabs(typed);
}

int transform_projection(PointContext& ctx, uint32_t pivot, double scale_x, double scale_y, double angle,
                         double mirror) {
    double f = mirror < 0 ? -1.0 : 1.0;
    if (scale_x == 1 && scale_y == 1 && angle == 0 && f > 0) return 0;
    PointCopy centre;
    if (!point_read(ctx.df, ctx.projection, pivot, &centre)) return -1;
    Point2 c = centre.sketch();
    double th = -angle;
    Map m;
    m.m0 = scale_x * std::cos(th);
    m.m1 = scale_x * std::sin(th);
    m.m2 = -f * scale_y * std::sin(th);
    m.m3 = f * scale_y * std::cos(th);
    m.tx = c.x - m.m0 * c.x - m.m2 * c.y;
    m.ty = c.y - m.m1 * c.x - m.m3 * c.y;

    // The elements' stored coordinates.
    RecordRef* eh = projection_chain(ctx.projection, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    for (unsigned char* r = record_next(ctx.df, eh, nullptr, eb); r && !error_flag; r = record_next(ctx.df, eh, r, eb)) {
        if (!element_record_valid(r)) continue;
        int kind = element_kind(r);
        if (kind == element_kind_curve) {
            int n = static_cast<int16_t>(get_u16(r, curve_count));
            uint32_t len = get_u16(r, record_length);
            for (int i = 0; i < n; ++i) {
                uint32_t v = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
                map_at(r, v + curve_vertex_x, m);
                if (i + 1 < n && v + curve_vertex_through_y + 8 <= len) map_at(r, v + curve_vertex_through_x, m);
            }
        } else {
            ElementPointPlace places[8];
            int n = element_point_places(r, places, 8);
            for (int i = 0; i < n; ++i) map_at(r, places[i].coords, m);
            if (f < 0 && (kind == element_kind_arc_centre || kind == element_kind_elliptic_arc)) {
                // The ends change places: the arc keeps its direction.
                uint32_t co = element_coords_offset(kind);
                swap_bytes(r, element_points, element_points + 4, 4);
                swap_bytes(r, co, co + 16, 16);
            }
        }
        eb->clean = 0;
    }
    if (error_flag) return -1;
    // Every point, hidden ones too: elements and points stay together.
    int mapped = 0;
    for (PointCopy p : points_of_projection(ctx.df, ctx.projection)) {
        Point2 q = m.apply(p.sketch());
        p.set_sketch(q);
        p.set_true(q);
        point_write(ctx.df, ctx.projection, p);
        ++mapped;
    }
    uint16_t w = get_u16(ctx.projection, projection_flags);
    put_u16(ctx.projection, projection_flags, static_cast<uint16_t>(w | projection_word_changed));
    if (ctx.hooks.rebuild) ctx.hooks.rebuild(ctx.projection, 0);
    return mapped;
}

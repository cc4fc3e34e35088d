// Roughness placement: signs on extension lines and on leaders.
#include "annotation/roughness_placement.h"

#include <cmath>

#include "annotation/annotation_layout.h"
#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "store/record_layouts.h"

Point2 snap_roughness_to_extension_line(Point2 start, Point2 end, Point2 click) {
    double dx = end.x - start.x, dy = end.y - start.y;
    double len2 = dx * dx + dy * dy;
    if (!(len2 > 0)) return start;
    double t = ((click.x - start.x) * dx + (click.y - start.y) * dy) / len2;
    Point2 p = {start.x + t * dx, start.y + t * dy};
    double min_x = std::fmin(start.x, end.x), max_x = std::fmax(start.x, end.x);
    double min_y = std::fmin(start.y, end.y), max_y = std::fmax(start.y, end.y);
    bool vertical = dx == 0;
    const Point2& lower = vertical ? (start.y <= end.y ? start : end) : (start.x <= end.x ? start : end);
    const Point2& upper = &lower == &start ? end : start;
    double eps = 1e-9 * (1 + std::sqrt(len2));
    if (vertical ? p.y < min_y - eps : p.x < min_x - eps) return lower;
    if (vertical ? p.y > max_y + eps : p.x > max_x + eps) return upper;
    // Within the box along the running axis; the other axis is clamped too.
    if (!vertical && (p.y < min_y - eps || p.y > max_y + eps)) return p.y < min_y ? lower : upper;
    return p;
}

unsigned char* layout_roughness_on_leader(uint8_t* projection, uint32_t key, RecordRef* leader_ref, double x, double y,
                                          bool keep_bend) {
    unsigned char* leader = layout_leader_at_point(projection, leader_ref, x, y, keep_bend);
    if (!leader) return nullptr;
    TextMetrics m{};
    measure_annotation_text(leader, &m);
    double upper_width = m.line[0].width;
    uint16_t flags = get_u16(leader, annotation_flags);
    if (flags & 0x8000) upper_width -= sheet_to_model_length(1.24) + get_f32(leader, leader_shelf);
    double tx = get_f32(leader, leader_text1) + sheet_to_model_length(1.24) + upper_width;
    double ty = get_f32(leader, leader_point3 + 4);
    RecordRef sign_ref = 0;
    unsigned char* sign = annotation_find_key_fields(projection, key, 1, 0, &sign_ref);
    if (sign && sign[record_kind] == annotation_roughness && annotation_record_usable(sign)) {
        put_f32(sign, roughness_tip, static_cast<float>(tx + get_f32(sign, roughness_shelf_offset)));
        put_f32(sign, roughness_tip + 4, static_cast<float>(ty));
        put_f64(sign, roughness_angle, 0.0);
        page_buffers[table_annotation].clean = 0;
    }
    return annotation_record_at(*leader_ref);
}

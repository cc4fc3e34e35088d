// Roughness placement: signs on extension lines and on leaders.
#include "annotation/roughness_placement.h"

#include <cmath>

#include "annotation/annotation_layout.h"
#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_texts.h"
#include "annotation/roughness_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

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

bool fit_roughness_leader(uint8_t* projection, RecordRef* sign_ref, Box* box) {
    unsigned char* sign = sign_ref ? annotation_record_at(*sign_ref) : nullptr;
    if (!projection || !sign || sign[record_kind] != annotation_roughness) return false;
    if (((get_u16(sign, annotation_flags) >> 7) & 3) != 1) return true;
    uint32_t key = get_u32(sign, record_key);
    Box sign_box = roughness_sign_box(sign);
    RecordRef leader_ref = 0;
    unsigned char* leader = key ? annotation_find_key_kind(projection, key, annotation_leader, &leader_ref) : nullptr;
    if (!leader || !annotation_record_usable(leader)) return false;
    put_f32(leader, leader_shelf, static_cast<float>(sign_box.max_x - sign_box.min_x));
    put_f32(leader, leader_shelf + 4, static_cast<float>(sign_box.max_y - sign_box.min_y));
    page_buffers[table_annotation].clean = 0;
    // The text point in the middle of the shelf ends, at the height the
    // upper line takes over the shelf.
    TextMetrics m{};
    measure_annotation_text(leader, &m);
    Point2 p2 = {get_f32(leader, leader_point2), get_f32(leader, leader_point2 + 4)};
    Point2 p3 = {get_f32(leader, leader_point3), get_f32(leader, leader_point3 + 4)};
    double at_x = (p2.x + p3.x) / 2, at_y = p3.y - sheet_to_model_length(1.24) + m.line[0].height;
    leader = layout_roughness_on_leader(projection, key, &leader_ref, at_x, at_y, false);
    if (!leader || error_flag) return false;
    // The sign may have moved with the leader's records: found again by key.
    annotation_find_key_fields(projection, key, 1, 0, sign_ref);
    if (box) {
        TextMetrics lm{};
        measure_annotation_text(leader, &lm);
        Box lb = box_empty();
        box_of_leader_annotation(&lb, leader, &lm);
        box_union(box, &lb);
    }
    return true;
}

RecordBytes build_general_roughness_record(int default_height_index) {
    RecordBytes r(roughness_head, 0);
    put_u16(r.data(), record_length, roughness_head);
    put_u32(r.data(), record_key, roughness_general_key);
    r[record_kind] = annotation_roughness;
    int height = clamp_height_index((default_height_index + 1) & 15);
    put_u16(r.data(), annotation_flags, static_cast<uint16_t>(0x0001 | (height << 2)));
    return r;
}

namespace {

const double pi = 3.14159265358979323846;

Point2 pair_of(const uint8_t* rec, uint32_t at) { return {get_f32(rec, at), get_f32(rec, at + 4)}; }
void put_pair_of(uint8_t* rec, uint32_t at, Point2 p) {
    put_f32(rec, at, static_cast<float>(p.x));
    put_f32(rec, at + 4, static_cast<float>(p.y));
}

double segment_distance(Point2 a, Point2 b, Point2 p) {
    double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

unsigned char* find_dimension(uint8_t* projection, uint32_t number) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    if (!df || !head) return nullptr;
    unsigned char* d = record_find_key(df, head, number, nullptr, &page_buffers[table_dimensions]);
    return d && get_u16(d, record_length) >= dimension_record_size - 2 ? d : nullptr;
}

// The extension line `line` (1, 2) of a dimension: from the object to the
// dimension line.
void extension_line(const uint8_t* dim, int line, Point2* start, Point2* end) {
    uint32_t at = line == 1 ? dimension_extension1 : dimension_extension2;
    *start = pair_of(dim, at);
    *end = pair_of(dim, at + 8);
}

double normalized(double a) {
    while (a > pi) a -= 2 * pi;
    while (a < -pi) a += 2 * pi;
    return a;
}

void report_counter_exhausted() {
    show_program_message(settings_text(settings_too_many_elements_offset));
    error_flag = 1;
}

}  // namespace

Box roughness_sign_box(const uint8_t* rec) {
    Box b = box_empty();
    if (kernel_measurers.roughness_sign_bounds && kernel_measurers.roughness_sign_bounds(rec, &b) &&
        !box_is_empty(&b))
        return b;
    // The sign's own size: legs at 60 degrees, the long one twice the text
    // height, and a shelf over the widest of its texts.
    uint16_t f = get_u16(rec, annotation_flags);
    double h = annotation_text_height((f >> 2) & 0x0F);
    RoughnessTexts t = roughness_texts(rec);
    select_text_font(clamp_height_index((f >> 2) & 0x0F), f & 1, (f >> 1) & 1);
    double widest = 0;
    for (const std::string& part : t.parts) {
        double w = 0;
        measure_text(part.c_str(), &w, nullptr);
        widest = std::fmax(widest, w);
    }
    double k = 1 / std::tan(pi / 3);
    Point2 tip = pair_of(rec, roughness_tip);
    double width = 3 * h * k + (widest > 0 ? widest + 2 * sheet_to_model_length(1.24) : 0);
    return Box{tip.x - h * k, tip.y, tip.x - h * k + width, tip.y + 2 * h};
}

bool roughness_nearest_extension_line(const uint8_t* d, double x, double y, double slack, int* line,
                                      double* distance) {
    if (!d || get_u16(d, record_length) < dimension_record_size - 2) return false;
    uint16_t value = get_u16(d, dimension_value_word);
    if (value & 0x0008) return false;
    double best = slack;
    bool found = false;
    for (int l = 1; l <= 2; ++l) {
        if (!(value & l)) continue;
        Point2 a, b;
        extension_line(d, l, &a, &b);
        if (a.x == b.x && a.y == b.y) continue;
        double dist = segment_distance(a, b, {x, y});
        if (dist <= best) {
            best = dist;
            *line = l;
            found = true;
        }
    }
    if (found && distance) *distance = best;
    return found;
}

bool roughness_pick_extension_line(uint8_t* projection, double x, double y, double slack, uint32_t* dimension,
                                   int* line) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    if (!df || !head) return false;
    PageBuffer* buf = &page_buffers[table_dimensions];
    double best = slack;
    bool found = false;
    for (unsigned char* d = record_next(df, head, nullptr, buf); d; d = record_next(df, head, d, buf)) {
        int l = 0;
        double dist = 0;
        if (roughness_nearest_extension_line(d, x, y, best, &l, &dist)) {
            best = dist;
            *dimension = get_u32(d, dimension_number);
            *line = l;
            found = true;
        }
    }
    error_flag = 0;
    return found;
}

RecordRef place_roughness_sign(uint8_t* projection, AnnotationStage* s, uint32_t dimension, int line, double x,
                               double y) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_annotations);
    if (!df || !df->header || !head) return 0;
    PageBuffer* abuf = &page_buffers[table_annotation];
    // 1. The sign: a copy of the clone source or a new one.
    RecordBytes sign;
    if (s->clone_source) {
        const uint8_t* src = annotation_record_at(s->clone_source);
        if (src && src[record_kind] == annotation_roughness && annotation_record_usable(src))
            sign.assign(src, src + get_u16(src, record_length));
        else
            s->clone_source = 0;
    }
    if (sign.empty()) {
        sign.assign(roughness_head, 0);
        put_u16(sign.data(), record_length, roughness_head);
        sign[record_kind] = annotation_roughness;
        put_u16(sign.data(), annotation_flags, static_cast<uint16_t>(0x0001 | (default_height_index() << 2)));
    }
    put_u16(sign.data(), annotation_flags, static_cast<uint16_t>(get_u16(sign.data(), annotation_flags) & ~0x0780));
    put_f64(sign.data(), roughness_angle, 0.0);
    put_u32(sign.data(), record_key, 0);

    bool attached = false;
    uint32_t leader_key = 0;  // the carrying leader, found by its key once numbered
    RecordRef leader_ref = 0;
    if (s->selected_annotation_ref) {
        uint8_t* sel = annotation_record_at(s->selected_annotation_ref);
        if (sel && sel[record_kind] == annotation_leader && annotation_record_usable(sel))
            leader_ref = s->selected_annotation_ref;
    }

    // 2. On a dimension's extension line.
    if (dimension && (line == 1 || line == 2)) {
        unsigned char* d = find_dimension(projection, dimension);
        uint16_t line_bit = line == 1 ? 0x0008 : 0x0010;
        if (d && !(get_u16(d, dimension_state) & line_bit)) {
            Point2 a, b;
            extension_line(d, line, &a, &b);
            Point2 tip = snap_roughness_to_extension_line(a, b, {x, y});
            uint16_t value = get_u16(d, dimension_value_word);
            double angle;
            if (((value >> 4) & 0x0F) == 3) {
                Point2 c = pair_of(d, dimension_centre);
                angle = std::atan2(b.y - c.y, b.x - c.x) + (line == 2 ? pi : 0);
            } else {
                Point2 other = pair_of(d, (line == 1 ? dimension_extension2 : dimension_extension1) + 8);
                angle = std::atan2(other.y - b.y, other.x - b.x) - pi / 2;
            }
            if (!(value & 0x1000)) angle -= pi;
            angle = normalized(angle);
            if (!std::isfinite(angle)) angle = 0;
            put_pair_of(sign.data(), roughness_tip, tip);
            put_u16(sign.data(), annotation_flags,
                    static_cast<uint16_t>(get_u16(sign.data(), annotation_flags) | (line << 9)));
            if (angle < -pi / 2 || angle > pi / 2 - pi / 6) {
                // Too steep for the line: a carrying leader instead.  Its
                // number is taken first, so that an exhausted counter
                // leaves nothing behind.
                if (get_u32(df->header, header_object_counter) == 0xFFFFFFFFu) {
                    report_counter_exhausted();
                    return 0;
                }
                Box box = roughness_sign_box(sign.data());
                double bw = box.max_x - box.min_x, bh = box.max_y - box.min_y;
                double twenty = sheet_to_model_length(20), gap = sheet_to_model_length(1.24);
                double side = (angle > pi / 2 - pi / 6 && angle < pi / 2) ? 1 : -1;
                RecordBytes leader(leader_head, 0);
                put_u16(leader.data(), record_length, leader_head);
                leader[record_kind] = annotation_leader;
                put_u16(leader.data(), annotation_flags, static_cast<uint16_t>(0x0010 | (default_height_index() << 7)));
                Point2 p3 = {tip.x + side * twenty, tip.y + twenty};
                Point2 p2 = {p3.x + side * (bw + 2 * gap), p3.y};
                put_pair_of(leader.data(), leader_point1, tip);
                put_pair_of(leader.data(), leader_point2, p2);
                put_pair_of(leader.data(), leader_point3, p3);
                put_pair_of(leader.data(), leader_text1, p3);
                put_f32(leader.data(), leader_shelf, static_cast<float>(bw));
                put_f32(leader.data(), leader_shelf + 4, static_cast<float>(bh));
                put_u16(sign.data(), annotation_flags,
                        static_cast<uint16_t>(get_u16(sign.data(), annotation_flags) & ~0x0600));
                leader_ref = record_add(df, head, leader.data(), abuf);
                if (!leader_ref || error_flag) return 0;
                page_buffers[table_projections].clean = 0;
                s->selected_annotation_ref = leader_ref;
            } else {
                d = find_dimension(projection, dimension);
                if (!d) return 0;
                put_u16(d, dimension_state, static_cast<uint16_t>(get_u16(d, dimension_state) | line_bit));
                page_buffers[table_dimensions].clean = 0;
                put_f64(sign.data(), roughness_angle, angle);
                put_u32(sign.data(), record_key, dimension);
                attached = true;
                leader_ref = 0;
            }
        } else if (d) {
            leader_ref = 0;  // the line already carries a sign
        }
    }

    // 3. On a leader that carries no sign yet.
    if (!attached && leader_ref) {
        uint8_t* leader = annotation_record_at(leader_ref);
        if (leader && leader[record_kind] == annotation_leader && !(get_u16(leader, annotation_flags) & 0x8000)) {
            uint32_t counter = get_u32(df->header, header_object_counter);
            if (counter == 0xFFFFFFFFu) {
                report_counter_exhausted();
                return 0;
            }
            leader_key = counter + 1;
            put_u32(df->header, header_object_counter, leader_key);
            leader = annotation_record_at(leader_ref);
            if (!leader) return 0;
            put_u16(leader, annotation_flags, static_cast<uint16_t>(get_u16(leader, annotation_flags) | 0x8000));
            put_u32(leader, record_key, leader_key);
            if (get_f32(leader, leader_shelf) == 0) {
                Box box = roughness_sign_box(sign.data());
                put_f32(leader, leader_shelf, static_cast<float>(box.max_x - box.min_x));
                put_f32(leader, leader_shelf + 4, static_cast<float>(box.max_y - box.min_y));
            }
            abuf->clean = 0;
            put_u32(sign.data(), record_key, leader_key);
            put_u16(sign.data(), annotation_flags,
                    static_cast<uint16_t>((get_u16(sign.data(), annotation_flags) & ~0x0780) | 0x0080));
            put_f64(sign.data(), roughness_angle, 0.0);
            attached = true;
        }
    }
    if (!attached) return 0;

    // 4. The sign is added and selected; on a leader the leader is laid
    // out around it.
    RecordRef ref = record_add(df, head, sign.data(), abuf);
    if (!ref || error_flag) return 0;
    page_buffers[table_projections].clean = 0;
    s->selected_annotation_ref = ref;
    if (leader_key) {
        RecordRef lref = 0;
        uint8_t* leader = annotation_find_key_kind(projection, leader_key, annotation_leader, &lref);
        if (leader) {
            TextMetrics m{};
            measure_annotation_text(leader, &m);
            Point2 p2 = pair_of(leader, leader_point2), p3 = pair_of(leader, leader_point3);
            double at_x = (p2.x + p3.x) / 2, at_y = p3.y - sheet_to_model_length(1.24) + m.line[0].height;
            layout_roughness_on_leader(projection, leader_key, &lref, at_x, at_y, false);
        }
        RecordRef sref = 0;
        if (annotation_find_key_fields(projection, leader_key, 1, 0, &sref)) s->selected_annotation_ref = sref;
    }
    return s->selected_annotation_ref;
}

void keep_roughness_signs_on_extension_lines(uint8_t* projection, uint32_t number) {
    for (int line = 1; line <= 2; ++line) {
        unsigned char* d = find_dimension(projection, number);
        if (!d) return;
        uint16_t bit = line == 1 ? 0x0008 : 0x0010;
        if (!(get_u16(d, dimension_state) & bit)) continue;
        Point2 a, b;
        extension_line(d, line, &a, &b);
        RecordRef ref = 0;
        unsigned char* sign = annotation_find_key_fields(projection, number, 0, line, &ref);
        if (!sign) {
            d = find_dimension(projection, number);
            if (d) {
                put_u16(d, dimension_state, static_cast<uint16_t>(get_u16(d, dimension_state) & ~bit));
                page_buffers[table_dimensions].clean = 0;
            }
            continue;
        }
        Point2 tip = pair_of(sign, roughness_tip);
        double eps = 1e-6 * (1 + std::fabs(a.x) + std::fabs(a.y) + std::fabs(b.x) + std::fabs(b.y));
        bool inside = tip.x >= std::fmin(a.x, b.x) - eps && tip.x <= std::fmax(a.x, b.x) + eps &&
                      tip.y >= std::fmin(a.y, b.y) - eps && tip.y <= std::fmax(a.y, b.y) + eps &&
                      segment_distance(a, b, tip) <= eps;
        if (inside) continue;
        Point2 end = std::hypot(tip.x - a.x, tip.y - a.y) <= std::hypot(tip.x - b.x, tip.y - b.y) ? a : b;
        put_pair_of(sign, roughness_tip, snap_roughness_to_extension_line(a, b, end));
        page_buffers[table_annotation].clean = 0;
    }
}

// Marking list of a projection window: building the set from the store and
// the geometry of its marks.
#include "shell/core/mark_set.h"

#include <cmath>
#include <new>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_seams.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

const char text_end_point_missing[] = "Отсутствует точка опоры оси размера. Размер помечен";
const char text_link_point_missing[] = "E20501";
constexpr double arrow_angle = 0.5235987755982988;  // 30 degrees

// The point's position, or false when the chain has no such point.
bool find_point(DrawingFile* df, uint8_t* projection, uint32_t number, int use_true, double* x, double* y) {
    RecordRef from = 0;
    const uint8_t* p = record_find_key(df, projection_chain(projection, projection_points), number, &from,
                                       &page_buffers[table_points]);
    if (!p || get_u16(p, record_length) < point_record_size) return false;
    *x = get_f64(p, use_true ? point_true_x : point_sketch_x);
    *y = get_f64(p, use_true ? point_true_y : point_sketch_y);
    return true;
}

void append(MarkSet* set, MarkEntry* e) {
    MarkEntry** at = &set->first;
    while (*at) at = &(*at)->next;
    e->next = nullptr;
    *at = e;
}

}  // namespace

void mark_set_free(MarkSet* set) {
    if (!set) return;
    for (MarkEntry* e = set->first; e;) {
        MarkEntry* next = e->next;
        delete e;
        e = next;
    }
    delete set;
}

MarkSet* mark_set_build(DrawingFile* df, uint8_t* projection, uint8_t* dimension, RecordRef owner,
                        const uint8_t* anchor_point, int use_true) {
    MarkSet* set = new (std::nothrow) MarkSet{};
    if (!set) {
        kernel_report_out_of_memory();
        return nullptr;
    }
    set->kind = static_cast<uint16_t>(dimension_kind(dimension));
    set->owner = owner;
    if (anchor_point) {
        set->flags |= mark_set_anchor_valid;
        set->anchor[0] = get_f64(anchor_point, use_true ? point_true_x : point_sketch_x);
        set->anchor[1] = get_f64(anchor_point, use_true ? point_true_y : point_sketch_y);
    }
    uint32_t ends[2] = {get_u32(dimension, dimension_axis_point1), get_u32(dimension, dimension_axis_point2)};
    if (!ends[0] || !ends[1]) return set;
    for (int i = 0; i < 2; ++i) {
        double x = 0, y = 0;
        bool found = find_point(df, projection, ends[i], use_true, &x, &y);
        if (error_flag) {
            mark_set_free(set);
            return nullptr;
        }
        if (!found) {
            // Flag the dimension before reporting: the report may close the
            // drawing.
            dimension[dimension_state] |= 0x20;
            if (record_ref_of(&page_buffers[table_dimensions], dimension)) page_buffers[table_dimensions].clean = 0;
            mark_set_free(set);
            error_stack_push(text_end_point_missing);
            report_document_failure(df);
            return nullptr;
        }
        MarkEntry* e = new (std::nothrow) MarkEntry{};
        if (!e) {
            mark_set_free(set);
            kernel_report_out_of_memory();
            return nullptr;
        }
        e->point_number = ends[i];
        e->flags = i == 0 ? mark_first_end : mark_second_end;
        e->x = x;
        e->y = y;
        append(set, e);
    }
    return set;
}

MarkEntry* mark_set_add_link(MarkSet* set, DrawingFile* df, uint8_t* projection, const uint8_t* link,
                             int use_true) {
    if (!set) return nullptr;
    uint32_t point = get_u32(link, link_point);
    uint16_t role = get_u16(link, link_role) & mark_role_mask;
    double direction = get_f64(link, link_direction);
    RecordRef link_ref = record_ref_of(&page_buffers[table_links], link);
    uint32_t link_key = get_u32(link, record_key);
    double x = 0, y = 0;
    bool found = find_point(df, projection, point, use_true, &x, &y);
    if (error_flag) return nullptr;
    if (!found) {
        // Remove the dangling link first: the report may close the drawing.
        RecordRef* head = projection_chain(projection, projection_links);
        if (link_ref)
            record_delete(df, head, link_ref, &page_buffers[table_links]);
        else
            record_delete_key(df, head, link_key, &page_buffers[table_links]);
        error_stack_push(text_link_point_missing);
        report_document_failure(df);
        return nullptr;
    }
    MarkEntry* e = new (std::nothrow) MarkEntry{};
    if (!e) {
        kernel_report_out_of_memory();
        error_flag = 1;
        return nullptr;
    }
    e->point_number = point;
    e->flags = role;
    e->direction = direction;
    e->x = x;
    e->y = y;
    append(set, e);
    return e;
}

int mark_set_remove(MarkSet* set, uint32_t point_number) {
    if (!set) return 0;
    for (MarkEntry** at = &set->first; *at; at = &(*at)->next) {
        MarkEntry* e = *at;
        if ((e->flags & mark_end_mask) == 0 && e->point_number == point_number) {
            *at = e->next;
            delete e;
            return 1;
        }
    }
    return 0;
}

std::vector<MarkShape> mark_set_shapes(const MarkSet* set,
                                       void (*to_pixels)(void* ctx, double x, double y, double* px, double* py),
                                       void* ctx, int half_x, int half_y, int margin) {
    std::vector<MarkShape> out;
    if (!set) return out;
    auto line = [&](MarkShape::Kind k, double x0, double y0, double x1, double y1) {
        MarkShape s{};
        s.kind = k;
        s.p[0][0] = x0;
        s.p[0][1] = y0;
        s.p[1][0] = x1;
        s.p[1][1] = y1;
        out.push_back(s);
    };
    double anchor[2] = {0, 0};
    if (set->flags & mark_set_anchor_valid) to_pixels(ctx, set->anchor[0], set->anchor[1], &anchor[0], &anchor[1]);
    // Dotted lines and the open arrowhead.
    double first[2] = {0, 0};
    bool have_first = false;
    for (const MarkEntry* e = set->first; e; e = e->next) {
        double p[2];
        to_pixels(ctx, e->x, e->y, &p[0], &p[1]);
        if (e->flags & mark_first_end) {
            first[0] = p[0];
            first[1] = p[1];
            have_first = true;
        } else if (e->flags & mark_second_end) {
            if (!have_first) continue;
            line(MarkShape::dotted_line, first[0], first[1], p[0], p[1]);
            double back = std::atan2(first[1] - p[1], first[0] - p[0]);
            double length = 4.0 * half_x;
            for (int side = -1; side <= 1; side += 2) {
                double a = back + side * arrow_angle;
                line(MarkShape::dotted_line, p[0], p[1], p[0] + length * std::cos(a), p[1] + length * std::sin(a));
            }
        } else if (set->flags & mark_set_anchor_valid) {
            line(MarkShape::dotted_line, anchor[0], anchor[1], p[0], p[1]);
        }
    }
    // The linked points by their role.
    for (const MarkEntry* e = set->first; e; e = e->next) {
        if (e->flags & mark_end_mask) continue;
        double p[2];
        to_pixels(ctx, e->x, e->y, &p[0], &p[1]);
        int role = e->flags & mark_role_mask;
        if (role == 3) {
            double mx = static_cast<double>(margin) * half_x, my = static_cast<double>(margin) * half_y;
            line(MarkShape::cross, p[0] - mx, p[1], p[0] + mx, p[1]);
            line(MarkShape::cross, p[0], p[1] - my, p[0], p[1] + my);
            continue;
        }
        if (role != 1 && role != 2) continue;
        // Local frame: +u along the link's direction (turned round for the
        // second role), +v across it.
        double sign = role == 1 ? 1.0 : -1.0;
        double c = std::cos(e->direction) * sign, s = std::sin(e->direction) * sign;
        auto at = [&](double u, double v, double* q) {
            q[0] = p[0] + u * c - v * s;
            q[1] = p[1] + u * s + v * c;
        };
        MarkShape t{};
        t.kind = MarkShape::triangle;
        at(0, 0, t.p[0]);
        at(4.0 * half_x, -static_cast<double>(half_y), t.p[1]);
        at(4.0 * half_x, static_cast<double>(half_y), t.p[2]);
        out.push_back(t);
        double tail[2];
        at(-static_cast<double>(margin) * half_x, 0, tail);
        line(MarkShape::line, p[0], p[1], tail[0], tail[1]);
    }
    return out;
}

// Dimension layout: the label against its dimension line.
#include "annotation/dimension_layout.h"

#include <cmath>
#include <vector>

#include "annotation/annotation_layout.h"
#include "annotation/annotation_records.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const dimension_without_label_code = "E20448";

namespace {

const double pi = 3.14159265358979323846;

double sheet(double mm) { return sheet_to_model_length(mm); }

Point2 pair(const uint8_t* rec, uint32_t at) { return {get_f32(rec, at), get_f32(rec, at + 4)}; }
void put_pair(uint8_t* rec, uint32_t at, Point2 p) {
    put_f32(rec, at, static_cast<float>(p.x));
    put_f32(rec, at + 4, static_cast<float>(p.y));
}
bool finite(Point2 p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The line's reading direction: from the end with the smaller x (a vertical
// line from its upper end), within [-pi, pi].
double reading_angle(Point2 a, Point2 b) {
    Point2 from = a, to = b;
    if (b.x < a.x || (b.x == a.x && b.y > a.y)) from = b, to = a;
    return std::atan2(to.y - from.y, to.x - from.x);
}

bool in_open(double a, double lo, double hi) { return a > lo && a < hi; }

void fail(const char* code) {
    error_stack_push(code);
    if (DrawingFile* df = current_drawing_file()) report_document_failure(df);
}

}  // namespace

Point2 dimension_label_point(const uint8_t* label, const TextMetrics& m) {
    uint16_t flags = get_u16(label, annotation_flags);
    if (flags & 0x0800) {
        double a = get_f64(label, dimension_text_angle);
        if (!std::isfinite(a)) a = 0;
        Point2 anchor = pair(label, dimension_text_anchor);
        return {anchor.x + m.line[0].width / 2 * std::cos(a), anchor.y + m.line[0].width / 2 * std::sin(a)};
    }
    Point2 s1 = pair(label, dimension_text_leader2), s2 = pair(label, dimension_text_leader3);
    return {(s1.x + s2.x) / 2, s1.y + m.line[0].height - sheet(1.24)};
}

bool dimension_label_layout(uint8_t* dim, uint8_t* label, const TextMetrics& m, int mode, Point2 point,
                            double pixel) {
    uint16_t kind_word = get_u16(dim, dimension_kind_word);
    uint16_t value = get_u16(dim, dimension_value_word);
    int kind = kind_word & 0x1F;
    int end_kind[2] = {(kind_word >> 8) & 0x0F, kind_word >> 12};
    Point2 a = pair(dim, dimension_line_start), b = pair(dim, dimension_line_end), c = pair(dim, dimension_centre);
    if (!finite(a) || !finite(b) || !finite(c)) return false;
    bool arc = ((value >> 4) & 0x0F) == 3;
    const double w = m.line[0].width, h = m.line[0].height, depth = m.line[0].height - m.line[0].rise;
    const double gap = sheet(1.24);

    // The label point on the line, the reading direction there and the
    // line's free length.
    Point2 at{};
    double angle = 0, length = 0;
    bool left_in_place = false;
    if (arc) {
        double r = std::hypot(a.x - c.x, a.y - c.y);
        double t1 = std::atan2(a.y - c.y, a.x - c.x), t2 = std::atan2(b.y - c.y, b.x - c.x);
        while (t2 <= t1) t2 += 2 * pi;
        while (t2 - t1 >= 2 * pi) t2 -= 2 * pi;
        double t = (t1 + t2) / 2;
        if (mode == label_at_point && finite(point) && (point.x != c.x || point.y != c.y))
            t = std::atan2(point.y - c.y, point.x - c.x);
        at = {c.x + r * std::cos(t), c.y + r * std::sin(t)};
        angle = t - pi / 2;  // along the tangent, reading left to right
        while (angle > pi / 2) angle -= pi;
        while (angle < -pi / 2) angle += pi;
        length = r * (t2 - t1);
    } else {
        double dx = b.x - a.x, dy = b.y - a.y;
        length = std::hypot(dx, dy);
        at = {(a.x + b.x) / 2, (a.y + b.y) / 2};
        angle = reading_angle(a, b);
        if (mode == label_at_point && length > 0) {
            Point2 u = {dx / length, dy / length};
            auto foot_of = [&](Point2 p, double* along, double* across) {
                *along = (p.x - a.x) * u.x + (p.y - a.y) * u.y;
                *across = std::fabs((p.x - a.x) * u.y - (p.y - a.y) * u.x);
                return Point2{a.x + *along * u.x, a.y + *along * u.y};
            };
            double along = 0, across = 0;
            Point2 foot = foot_of(point, &along, &across);
            if (finite(point) && across <= sheet(10) && along >= 0 && along <= length) {
                at = foot;
            } else {
                // Too far: the label keeps its place along the line.
                left_in_place = true;
                Point2 own = dimension_label_point(label, m);
                double own_along = 0, own_across = 0;
                Point2 own_foot = foot_of(own, &own_along, &own_across);
                if (finite(own_foot) && own_along >= 0 && own_along <= length) at = own_foot;
            }
        }
    }
    if (!std::isfinite(angle)) angle = 0;
    double free = length;
    for (int e : end_kind)
        if (e == 0 || e == 7 || (kind == 6 && (e == 1 || e == 8))) free -= sheet(4.2);

    uint16_t flags = get_u16(label, annotation_flags);
    uint16_t state = get_u16(dim, dimension_state);
    bool two = (flags & 0x40) != 0;
    const double w2 = m.line[1].width, rise2 = m.line[1].rise;
    bool along = free > w && !left_in_place && !two && !in_open(angle, -2 * pi / 3, -pi / 2) &&
                 !in_open(angle, pi / 3, pi / 2);
    if (along) {
        // y grows downward: a text at this angle has its letters' tops on
        // the side of `up`.  The label's base line lies on that side, its
        // lowest point gap clear of the line.
        Point2 u = {std::cos(angle), std::sin(angle)}, up = {u.y, -u.x};
        Point2 anchor = {at.x - w / 2 * u.x + (gap + depth) * up.x, at.y - w / 2 * u.y + (gap + depth) * up.y};
        put_pair(label, dimension_text_anchor, anchor);
        put_pair(label, dimension_text_leader1, at);
        put_f64(label, dimension_text_angle, angle);
        flags = static_cast<uint16_t>(flags | 0x0800);
        state = static_cast<uint16_t>(state & ~0x0080);
    } else {
        Point2 start = at;
        if (kind == 5) start = pair(dim, dimension_extension1);
        double shelf = (two && w2 > w ? w2 : w) + 4 * gap;
        PointF p[3] = {PointF{static_cast<float>(start.x), static_cast<float>(start.y)}, {}, {}};
        if (mode == label_at_point && finite(point)) {
            double y = point.y + gap - h;
            bool near_left = start.x <= point.x;
            double near_x = near_left ? point.x - shelf / 2 : point.x + shelf / 2;
            p[1] = PointF{static_cast<float>(near_x), static_cast<float>(y)};
            snap_to_first_point(p, 1, near_left ? -shelf : shelf, pixel);
            double far_x = near_left ? p[1].x + shelf : p[1].x - shelf;
            p[2] = PointF{static_cast<float>(far_x), p[1].y};
        } else {
            // Automatic: beside the line's outer end (the end with the
            // larger x; of a vertical line the upper end), 8.4 mm further
            // along the line, the shelf running on away from the line.
            Point2 outer = b, inner = a;
            if (a.x > b.x || (a.x == b.x && a.y > b.y)) outer = a, inner = b;
            double len = std::hypot(outer.x - inner.x, outer.y - inner.y);
            Point2 u = len > 0 ? Point2{(outer.x - inner.x) / len, (outer.y - inner.y) / len} : Point2{1, 0};
            if (arc) u = {std::cos(angle), std::sin(angle)};
            Point2 s1 = {outer.x + sheet(8.4) * u.x, outer.y + sheet(8.4) * u.y};
            double dir = u.x < 0 ? -1 : 1;
            p[1] = PointF{static_cast<float>(s1.x), static_cast<float>(s1.y)};
            p[2] = PointF{static_cast<float>(s1.x + dir * shelf), static_cast<float>(s1.y)};
        }
        for (int i = 0; i < 3; ++i) put_pair(label, dimension_text_leader1 + 8 * i, Point2{p[i].x, p[i].y});
        double left = std::fmin(p[1].x, p[2].x), middle = left + shelf / 2;
        // The first text stands on the shelf, the second hangs under it,
        // each half the gap clear of it (y grows downward).
        put_pair(label, dimension_text_anchor, Point2{middle - w / 2, p[1].y - gap / 2 - depth});
        put_f64(label, dimension_text_angle, 0.0);
        if (two)
            put_pair(label, dimension_text_anchor2, Point2{middle - w2 / 2, p[1].y + gap / 2 + rise2});
        flags = static_cast<uint16_t>(flags & ~0x0800);
        state = static_cast<uint16_t>(state | 0x0080);
    }
    put_u16(label, annotation_flags, flags);
    put_u16(dim, dimension_state, state);
    return true;
}

namespace {

// The dimension and its label as copies; written back in place (the heads
// keep their lengths).
struct DimensionPair {
    std::vector<uint8_t> dim, label;
};

bool load_pair(uint8_t* projection, uint32_t number, DimensionPair* out, bool report) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    if (!df || !head) return false;
    unsigned char* d = record_find_key(df, head, number, nullptr, &page_buffers[table_dimensions]);
    if (!d || get_u16(d, record_length) < dimension_record_size - 2) return false;
    out->dim.assign(d, d + dimension_comment_length);
    RecordRef ref = 0;
    unsigned char* l = annotation_find_key_kind(projection, number, annotation_dimension_text, &ref);
    if (!l || !annotation_record_usable(l)) {
        if (report) fail(dimension_without_label_code);
        return false;
    }
    out->label.assign(l, l + get_u16(l, record_length));
    return true;
}

void store_pair(uint8_t* projection, uint32_t number, const DimensionPair& p) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    if (unsigned char* d = record_find_key(df, head, number, nullptr, &page_buffers[table_dimensions])) {
        put_u16(d, dimension_state, get_u16(p.dim.data(), dimension_state));
        page_buffers[table_dimensions].clean = 0;
    }
    RecordRef ref = 0;
    if (unsigned char* l = annotation_find_key_kind(projection, number, annotation_dimension_text, &ref)) {
        if (get_u16(l, record_length) == p.label.size()) {
            std::copy(p.label.begin() + annotation_flags, p.label.begin() + dimension_text_head, l + annotation_flags);
            page_buffers[table_annotation].clean = 0;
        }
    }
}

}  // namespace

int layout_dimension(uint8_t* projection, uint32_t number, int mode, Point2 point) {
    DimensionPair p;
    if (!load_pair(projection, number, &p, true)) return 0;
    TextMetrics m{};
    measure_dimension_label(p.label.data(), &m);
    if (!dimension_label_layout(p.dim.data(), p.label.data(), m, mode, point,
                                annotation_pixel_size))
        return 0;
    store_pair(projection, number, p);
    return error_flag ? 0 : 1;
}

int relayout_dimension(uint8_t* projection, uint32_t number) {
    DimensionPair p;
    if (!load_pair(projection, number, &p, true)) return 0;
    TextMetrics m{};
    measure_dimension_label(p.label.data(), &m);
    uint16_t value = get_u16(p.dim.data(), dimension_value_word);
    bool by_hand = (value & 0x8800) == 0x8800;
    Point2 at = by_hand ? dimension_label_point(p.label.data(), m) : Point2{0, 0};
    if (!dimension_label_layout(p.dim.data(), p.label.data(), m, by_hand ? label_at_point : label_automatic, at,
                                annotation_pixel_size))
        return 0;
    store_pair(projection, number, p);
    return error_flag ? 0 : 1;
}

// Annotation layout: leaders and tolerance frames.
#include "annotation/annotation_layout.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/nearest_points.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"

double annotation_pixel_size = 0.0;

namespace {

const double pi = 3.14159265358979323846;

double sheet(double mm) { return sheet_to_model_length(mm); }

void put_pair(uint8_t* rec, uint32_t at, double x, double y) {
    put_f32(rec, at, static_cast<float>(x));
    put_f32(rec, at + 4, static_cast<float>(y));
}
PointF pair(const uint8_t* rec, uint32_t at) { return get_pointf(rec, at); }

void fail(const char* code) {
    error_stack_push(code);
    DrawingFile* df = current_drawing_file();
    if (df) report_document_failure(df);
}

}  // namespace

int snap_to_first_point(PointF* p, int index, double shelf, double pixel) {
    double dx = std::fabs(static_cast<double>(p[0].x) - p[index].x);
    if (dx > pixel && std::fabs(static_cast<double>(p[0].x) - (p[index].x + shelf)) <= pixel)
        p[index].x = static_cast<float>(p[0].x - shelf);
    else if (dx <= pixel)
        p[index].x = p[0].x;
    if (std::fabs(static_cast<double>(p[0].y) - p[index].y) <= pixel) {
        p[index].y = p[0].y;
        return 1;
    }
    return 0;
}

double annotation_text_height(int height_index) {
    return sheet(text_settings.text_heights[clamp_height_index(height_index)]);
}

void leader_layout(uint8_t* rec, const TextMetrics& m, double x, double y, double pixel) {
    uint16_t flags = get_u16(rec, annotation_flags);
    int code = (flags >> 11) & 0x0F;
    double th = annotation_text_height((flags >> 7) & 0x0F);
    double gap = sheet(1.24);
    const TextLineMetrics& up = m.line[0];
    const TextLineMetrics& low = m.line[1];
    PointF first = pair(rec, leader_point1);

    if (code == 1 || code == 3) {
        // A frame at the end of the leader: the third point is the given
        // point, the second lies the frame's size beyond it along the leader.
        PointF p[2] = {first, {static_cast<float>(x), static_cast<float>(y)}};
        snap_to_first_point(p, 1, 0.0, pixel);
        double quarter = th / 4;
        double size = quarter * (code == 3 ? 4 : (up.width > 0 ? 6 : 3)) + (code == 3 ? 1.5 * th : up.height);
        if (size < sheet(2.5)) size = sheet(2.5);
        double dx = static_cast<double>(p[1].x) - first.x, dy = static_cast<double>(p[1].y) - first.y;
        double len = std::hypot(dx, dy);
        double ux = len > 0 ? dx / len : 1.0, uy = len > 0 ? dy / len : 0.0;
        double along = size;
        if (code == 3) {
            // A square frame's side, measured along the leader.
            double c = std::fabs(ux) >= std::fabs(uy) ? std::fabs(ux) : std::fabs(uy);
            if (c > 0) along = size / c;
        }
        double sx = p[1].x + ux * along, sy = p[1].y + uy * along;
        put_pair(rec, leader_point3, p[1].x, p[1].y);
        put_pair(rec, leader_point2, sx, sy);
        // The upper text centred in the frame: its box runs from rise
        // above the base line to depth below it (y grows downward).
        double mx = (p[1].x + sx) / 2, my = (p[1].y + sy) / 2;
        put_pair(rec, leader_text1, mx - up.width / 2, my + up.rise - up.height / 2);
        return;
    }

    double shelf = code == 2 ? up.width + 4 * std::tan(pi / 6) * up.height : up.width + th;
    if (code != 2 && ((rec[leader_style] >> 4) & 3) == 1) shelf += th / 2;
    double sy = y + gap - up.height;
    PointF p[2] = {first, {static_cast<float>(x - shelf / 2), static_cast<float>(sy)}};
    snap_to_first_point(p, 1, shelf, pixel);
    double left = p[1].x, right = left + shelf;
    sy = p[1].y;
    double middle = (left + right) / 2;
    // Texts (anchored at the left end of their base lines; y grows
    // downward): the upper one stands over the shelf, its lowest point a
    // quarter text height above it; the lower one hangs under the shelf,
    // its top a quarter text height below it.  Stacked lines (code 4) are
    // drawn from the shelf down, so their box starts at the shelf.
    put_pair(rec, leader_text1, middle - up.width / 2, sy - th / 4 - (up.height - up.rise));
    if (flags & 0x40) {
        double top = code == 4 ? sy : sy + th / 4;
        put_pair(rec, leader_text2, middle - low.width / 2, top + low.rise);
    }
    // The leader joins the shelf end nearer to its arrow end; from above at
    // a shallow angle it joins the far end, so that it does not run along
    // the text.
    bool left_near = std::fabs(first.x - left) <= std::fabs(first.x - right);
    double near_x = left_near ? left : right, far_x = left_near ? right : left;
    if (code != 4 && first.y > sy) {
        double angle = std::atan2(first.y - sy, std::fabs(first.x - near_x));
        if (angle < pi / 6 && std::fabs(first.x - near_x) > 0) std::swap(near_x, far_x);
    }
    put_pair(rec, leader_point2, near_x, sy);
    put_pair(rec, leader_point3, far_x, sy);
}

unsigned char* layout_leader_at_point(uint8_t* projection, RecordRef* ref, double x, double y, bool keep_bend) {
    (void)projection;
    unsigned char* rec = ref ? annotation_record_at(*ref) : nullptr;
    if (!rec || rec[record_kind] != annotation_leader || !annotation_record_usable(rec)) {
        fail("E20449");
        return nullptr;
    }
    TextMetrics m{};
    measure_annotation_text(rec, &m);
    int code = (get_u16(rec, annotation_flags) >> 11) & 0x0F;
    if (keep_bend && (code == 1 || code == 3)) {
        x = get_f32(rec, leader_point3);
        y = get_f32(rec, leader_point3 + 4);
    }
    leader_layout(rec, m, x, y, annotation_pixel_size);
    page_buffers[table_annotation].clean = 0;
    return rec;
}

// ---------------------------------------------------------------- tolerance

namespace {

bool cut(Point2 a, Point2 b, Point2 c, Point2 d, Point2* out, double* t_ab) {
    double rx = b.x - a.x, ry = b.y - a.y, sx = d.x - c.x, sy = d.y - c.y;
    double den = rx * sy - ry * sx;
    if (std::fabs(den) < 1e-12) return false;
    double t = ((c.x - a.x) * sy - (c.y - a.y) * sx) / den;
    double u = ((c.x - a.x) * ry - (c.y - a.y) * rx) / den;
    if (t < -1e-9 || t > 1 + 1e-9 || u < -1e-9 || u > 1 + 1e-9) return false;
    *out = {a.x + t * rx, a.y + t * ry};
    *t_ab = t;
    return true;
}

}  // namespace

bool tolerance_layout(uint8_t* rec, const ToleranceTarget& element, double x, double y, bool move_target) {
    uint16_t flags = get_u16(rec, annotation_flags);
    double old_left = get_f32(rec, tolerance_frame1), old_top = get_f32(rec, tolerance_frame2 + 4);
    double width = static_cast<double>(get_f32(rec, tolerance_frame2)) - old_left;
    if (!std::isfinite(width) || width < 0) width = 0;
    Point2 target = {get_f32(rec, tolerance_leader_target), get_f32(rec, tolerance_leader_target + 4)};
    if (move_target) {
        target.x += x - old_left;
        target.y += y - old_top;
    }
    int rows = (flags & 0x200) ? (flags >> 6) & 7 : 1;
    if (rows < 1) rows = 1;
    if (rows > 3) rows = 3;
    double row = annotation_text_height((flags >> 2) & 0x0F) + sheet(2.48);
    double left = x, right = x + width, top = y, bottom = y - row * rows;
    put_pair(rec, tolerance_frame1, left, bottom);
    put_pair(rec, tolerance_frame2, right, top);

    Point2 on = target;
    if (element.kind >= 1 && element.kind <= 4) point_element_distance(element.kind, element.geometry, target, &on);
    if (!std::isfinite(on.x) || !std::isfinite(on.y)) return false;
    put_pair(rec, tolerance_leader_target, on.x, on.y);

    // The frame's outline: its four sides and the lines between rows.
    Point2 seg[8][2];
    int n = 0;
    seg[n][0] = {left, bottom}, seg[n][1] = {right, bottom}, ++n;
    seg[n][0] = {right, bottom}, seg[n][1] = {right, top}, ++n;
    seg[n][0] = {right, top}, seg[n][1] = {left, top}, ++n;
    seg[n][0] = {left, top}, seg[n][1] = {left, bottom}, ++n;
    for (int i = 1; i < rows; ++i) {
        double ry = top - row * i;
        seg[n][0] = {left, ry}, seg[n][1] = {right, ry}, ++n;
    }
    Point2 centre = {(left + right) / 2, (top + bottom) / 2};
    double best = DBL_MAX;
    int which = -1;
    Point2 start{};
    for (int i = 0; i < n; ++i) {
        Point2 p;
        double t;
        if (cut(on, centre, seg[i][0], seg[i][1], &p, &t) && t < best) {
            best = t;
            which = i;
            start = p;
        }
    }
    if (which < 0) {
        // The target lies inside the frame: the leader leaves from the
        // nearest corner of the bottom side.
        which = 0;
        start = std::fabs(on.x - left) <= std::fabs(on.x - right) ? seg[0][0] : seg[0][1];
    }
    put_pair(rec, tolerance_leader_start, start.x, start.y);
    put_pair(rec, tolerance_frame_side, seg[which][0].x, seg[which][0].y);
    put_pair(rec, tolerance_frame_side + 8, seg[which][1].x, seg[which][1].y);
    return true;
}

unsigned char* layout_tolerance_designation(uint8_t* projection, RecordRef* ref, double x, double y,
                                            bool move_target) {
    unsigned char* rec = ref ? annotation_record_at(*ref) : nullptr;
    if (!rec || rec[record_kind] != annotation_tolerance || !annotation_record_usable(rec)) {
        fail("E20450");
        return nullptr;
    }
    uint32_t number = get_u32(rec, tolerance_element);
    ToleranceTarget target{};
    const unsigned char* e = nullptr;
    while ((e = element_find_by_key(projection, e, number)) != nullptr) {
        uint16_t f = get_u16(e, element_flags);
        int kind = f & element_flag_kind;
        if (kind < 1 || kind > 5 || (f & element_flag_screen_piece)) continue;
        target.kind = kind;
        if (kind <= 2)
            std::memcpy(target.geometry, e + element_coords2, 2 * sizeof(Point2));
        else if (kind <= 4)
            std::memcpy(target.geometry, e + element_coords3, 3 * sizeof(Point2));
        break;
    }
    if (number == 0 || target.kind == 0) {
        fail("E20450");
        return nullptr;
    }
    // Work on a copy: a failed layout leaves the record as it was.
    rec = annotation_record_at(*ref);
    if (!rec) return nullptr;
    RecordBytes copy(rec, rec + get_u16(rec, record_length));
    if (!tolerance_layout(copy.data(), target, x, y, move_target)) {
        fail("E20450");
        return nullptr;
    }
    std::memcpy(rec, copy.data(), copy.size());
    page_buffers[table_annotation].clean = 0;
    return rec;
}

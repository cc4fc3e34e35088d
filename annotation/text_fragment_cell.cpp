// Text fragment cells: the borders around a point and the fitting.
#include "annotation/text_fragment_cell.h"

#include <cmath>
#include <vector>

#include "annotation/annotation_records.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/curves.h"
#include "geometry/intersect.h"
#include "render/text/text_fragment_layout.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

// An element the cell search looks at: visible, drawn, of kinds 1 to 5.
bool cell_element(const uint8_t* e) {
    if (get_u16(e, record_length) < 54) return false;
    uint16_t f = get_u16(e, 10);
    if ((f & 0x0800) || (f & 0x3000) == 0x2000 || (f & 0x8000)) return false;
    if (((f >> 4) & 0x0F) == 0) return false;
    int kind = f & 0x0F;
    return kind >= geom_segment && kind <= geom_curve;
}

// The crossings of one element with the horizontal (vertical false) or
// vertical line through p.
void crossings(const uint8_t* e, Point2 p, bool vertical, std::vector<Point2>* out) {
    int kind = get_u16(e, 10) & 0x0F;
    ScanHit hits[2];
    auto take = [&](int n) {
        for (int i = 0; i < n; ++i) out->push_back({hits[i].x, hits[i].y});
    };
    if (kind == geom_segment) {
        Segment s{get_point2(e, 22), get_point2(e, 38)};
        take(vertical ? vertical_scanline_intersect_segment(p, &s, hits) : scanline_intersect_segment(p, &s, hits));
    } else if (kind == geom_circle) {
        CircleGeom c{get_point2(e, 22), get_point2(e, 38)};
        take(vertical ? vertical_scanline_intersect_circle(p, &c, hits) : scanline_intersect_circle(p, &c, hits));
    } else if (kind == geom_arc_by_centre || kind == geom_arc_by_points) {
        ArcByCentre a{get_point2(e, 26), get_point2(e, 42), get_point2(e, 58)};
        take(vertical ? vertical_scanline_intersect_arc(p, &a, kind, hits) : scanline_intersect_arc(p, &a, kind, hits));
    } else if (kind == geom_curve) {
        int n = get_i16(e, curve_count_offset);
        int room = static_cast<int>((get_u16(e, record_length) - curve_vertices_offset) / curve_vertex_stored_size);
        if (n > room) n = room;
        for (int i = 0; i + 1 < n; ++i) {
            CurveVertex v0 = curve_vertex(e, i), v1 = curve_vertex(e, i + 1);
            ArcByCentre piece{v0.point, v1.point, v0.through};
            take(vertical ? vertical_scanline_intersect_arc(p, &piece, 4, hits)
                          : scanline_intersect_arc(p, &piece, 4, hits));
        }
    }
}

}  // namespace

bool text_cell_around(uint8_t* projection, Point2 at, Box* cell) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_elements);
    if (!df || !head || !std::isfinite(at.x) || !std::isfinite(at.y)) return false;
    PageBuffer* buf = &page_buffers[table_elements];
    double left = -INFINITY, right = INFINITY, lower = -INFINITY, upper = INFINITY;
    std::vector<Point2> hits;
    for (unsigned char* e = record_next(df, head, nullptr, buf); e; e = record_next(df, head, e, buf)) {
        if (!cell_element(e)) continue;
        hits.clear();
        crossings(e, at, false, &hits);
        for (Point2 h : hits) {
            if (h.x < at.x && h.x > left) left = h.x;
            if (h.x > at.x && h.x < right) right = h.x;
        }
        hits.clear();
        crossings(e, at, true, &hits);
        for (Point2 h : hits) {
            if (h.y < at.y && h.y > lower) lower = h.y;
            if (h.y > at.y && h.y < upper) upper = h.y;
        }
    }
    error_flag = 0;
    if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(lower) || !std::isfinite(upper)) return false;
    *cell = Box{left, lower, right, upper};
    return true;
}

int fit_text_into_cell(uint8_t* projection, unsigned char** record, const Point2* point) {
    unsigned char* rec = record ? *record : nullptr;
    if (!rec || rec[record_kind] != annotation_text_fragment || !annotation_record_usable(rec)) return 0;
    if (!(get_u16(rec, text_fragment_options) & 1)) return 0;
    auto f32 = [&](uint32_t at) { return static_cast<double>(get_f32(rec, at)); };
    Point2 anchor = point ? *point : Point2{f32(text_fragment_frame1), f32(text_fragment_frame1 + 4)};
    Box cell{};
    if (!text_cell_around(projection, anchor, &cell)) return 0;
    bool turned = get_f64(rec, text_fragment_angle) != 0;
    uint16_t flags = get_u16(rec, annotation_flags);
    if (!turned) {
        double margin = f32(text_fragment_corner1) - f32(text_fragment_frame1);
        double length = f32(text_fragment_corner2) - f32(text_fragment_corner1);
        if (!(cell.max_x - cell.min_x > 2 * margin + length)) return 0;
        double right_margin = f32(text_fragment_frame2) - f32(text_fragment_corner2);
        put_u16(rec, annotation_flags, static_cast<uint16_t>(flags | 0x4000));
        put_f32(rec, text_fragment_frame1, static_cast<float>(cell.min_x));
        put_f32(rec, text_fragment_corner1, static_cast<float>(cell.min_x + margin));
        put_f32(rec, text_fragment_frame2, static_cast<float>(cell.max_x));
        put_f32(rec, text_fragment_corner2, static_cast<float>(cell.max_x - right_margin));
    } else {
        double margin = f32(text_fragment_corner1 + 4) - f32(text_fragment_frame1 + 4);
        double length = f32(text_fragment_corner2 + 4) - f32(text_fragment_corner1 + 4);
        if (!(cell.max_y - cell.min_y > 2 * margin + length)) return 0;
        double top_margin = f32(text_fragment_frame2 + 4) - f32(text_fragment_corner2 + 4);
        put_u16(rec, annotation_flags, static_cast<uint16_t>(flags | 0x8000));
        put_f32(rec, text_fragment_frame1 + 4, static_cast<float>(cell.min_y));
        put_f32(rec, text_fragment_corner1 + 4, static_cast<float>(cell.min_y + margin));
        put_f32(rec, text_fragment_frame2 + 4, static_cast<float>(cell.max_y));
        put_f32(rec, text_fragment_corner2 + 4, static_cast<float>(cell.max_y - top_margin));
    }
    page_buffers[table_annotation].clean = 0;
    rec = layout_text_fragment(projection, rec);
    if (!rec) return 0;
    *record = rec;
    // Centred across the cell: the frame's middle on the cell's middle.
    double shift;
    if (!turned)
        shift = (cell.min_y + cell.max_y) / 2 - (f32(text_fragment_frame1 + 4) + f32(text_fragment_frame2 + 4)) / 2;
    else
        shift = (cell.min_x + cell.max_x) / 2 - (f32(text_fragment_frame1) + f32(text_fragment_frame2)) / 2;
    if (std::isfinite(shift) && shift != 0) {
        double dx = turned ? shift : 0, dy = turned ? 0 : shift;
        // The text's own points move with it, the base line across the run.
        translate_text_fragment_record(rec, dx, dy);
        page_buffers[table_annotation].clean = 0;
    }
    return 1;
}

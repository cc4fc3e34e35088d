// Extension lines of dimensions: extension, frame fitting and gap cutting.
#include "render/output/extension_lines.h"

#include <cmath>
#include <new>

#include "geometry/extents.h"
#include "geometry/intersect.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/units_scale.h"
#include "render/output/dimension_seams.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "store/record_layouts.h"

namespace {

double overshoot_mm() { return dimension_drawing_constants[2] > 0 ? dimension_drawing_constants[2] : 1.2; }

// The short stroke that replaces a line lying wholly inside the frame.
constexpr double short_stroke_mm = 10.0;

Point2 along(Point2 p, double dx, double dy, double t) { return Point2{p.x + dx * t, p.y + dy * t}; }

}  // namespace

void extend_extension_line(Segment* seg, Point2 target, int collapse) {
    if (!seg) return;
    if (collapse) {
        double ds = std::hypot(seg->start.x - target.x, seg->start.y - target.y);
        double de = std::hypot(seg->end.x - target.x, seg->end.y - target.y);
        if (de < ds) seg->start = seg->end;
    }
    seg->end = target;
    double dx = target.x - seg->start.x, dy = target.y - seg->start.y;
    double len = std::hypot(dx, dy);
    if (!(len > 0.0) || !std::isfinite(len)) return;
    double o = sheet_to_model_length(overshoot_mm());
    seg->end = Point2{target.x + dx / len * o, target.y + dy / len * o};
}

const uint8_t* next_axis_obstacle(uint8_t* projection, const uint8_t* previous) {
    if (!projection) return nullptr;
    const uint8_t* e = previous;
    for (;;) {
        e = kernel_store.next(projection, chain_elements, e, nullptr);
        if (!e) return nullptr;
        if (get_u16(e, record_length) < element_size2) continue;
        int kind = element_kind(e), type = element_line_type(e);
        if ((kind == element_kind_segment || kind == element_kind_break) && type >= 3 && type <= 6) return e;
    }
}

void collect_axis_obstacles(OutputView* view, uint8_t* projection, std::vector<Segment>* out) {
    out->clear();
    for (const uint8_t* e = next_axis_obstacle(projection, nullptr); e; e = next_axis_obstacle(projection, e))
        out->push_back(Segment{get_point2(e, element_coords2), get_point2(e, element_coords2 + 16)});
    std::vector<Segment> crosses;
    dimension_window_seams.diameter_crosses(view, &crosses);
    out->insert(out->end(), crosses.begin(), crosses.end());
}

void cut_extension_pieces(std::vector<Segment>* pieces, const Segment& obstacle) {
    std::vector<Segment> out;
    out.reserve(pieces->size() + 1);
    for (const Segment& p : *pieces) {
        Point2 hit[2];
        Segment piece = p;
        if (intersect_segments_sheet(&piece, &obstacle, hit) != 2) {
            out.push_back(p);
            continue;
        }
        // Positions along the piece on its dominant axis, 0 at the start and
        // 1 at the end.
        double dx = p.end.x - p.start.x, dy = p.end.y - p.start.y;
        bool by_x = std::fabs(dx) >= std::fabs(dy);
        double span = by_x ? dx : dy;
        if (span == 0.0) {  // a point: covered
            continue;
        }
        auto pos = [&](Point2 q) { return ((by_x ? q.x : q.y) - (by_x ? p.start.x : p.start.y)) / span; };
        double u0 = pos(hit[0]), u1 = pos(hit[1]);
        Point2 h0 = hit[0], h1 = hit[1];
        if (u1 < u0) {
            std::swap(u0, u1);
            std::swap(h0, h1);
        }
        double eps = sheet_to_model_length(0.01) / std::fabs(span);
        bool covers_start = u0 <= eps, covers_end = u1 >= 1.0 - eps;
        if (covers_start && covers_end) continue;
        if (covers_start) {
            out.push_back(Segment{h1, p.end});
        } else if (covers_end) {
            out.push_back(Segment{p.start, h0});
        } else {
            out.push_back(Segment{p.start, h0});
            out.push_back(Segment{h1, p.end});
        }
    }
    pieces->swap(out);
}

Segment fit_extension_line_to_frame(const Segment& seg, const Box& frame, Point2 dimension_end, double overshoot,
                                    double short_length) {
    Segment s = seg;
    double dx = s.end.x - s.start.x, dy = s.end.y - s.start.y;
    double lo[2] = {std::fmin(frame.min_x, frame.max_x) - overshoot, std::fmin(frame.min_y, frame.max_y) - overshoot};
    double hi[2] = {std::fmax(frame.min_x, frame.max_x) + overshoot, std::fmax(frame.min_y, frame.max_y) + overshoot};
    bool outside = false;
    for (int axis = 0; axis < 2; ++axis) {
        double d = axis ? dy : dx;
        double e = axis ? s.end.y : s.end.x;
        double st = axis ? s.start.y : s.start.x;
        double edge;
        if (e > hi[axis]) {
            edge = hi[axis];
        } else if (e < lo[axis]) {
            edge = lo[axis];
        } else {
            continue;
        }
        outside = true;
        // The start moves out to the edge when it lies inside it.
        if ((e > hi[axis] && st < edge) || (e < lo[axis] && st > edge)) {
            double t = d != 0.0 ? (edge - (axis ? seg.start.y : seg.start.x)) / d : 0.0;
            s.start = along(seg.start, dx, dy, t);
            if (axis) s.start.y = edge; else s.start.x = edge;
        }
    }
    if (outside) return s;
    double len = std::hypot(dx, dy);
    double ux = len > 0.0 ? dx / len : 1.0, uy = len > 0.0 ? dy / len : 0.0;
    double h = short_length / 2.0;
    return Segment{{dimension_end.x - ux * h, dimension_end.y - uy * h}, {dimension_end.x + ux * h, dimension_end.y + uy * h}};
}

void draw_extension_line(OutputView* view, const Segment& seg, uint8_t* projection, Point2 dimension_end,
                         const std::vector<Segment>* obstacles) {
    if (!view) return;
    try {
        std::vector<Segment> pieces(1, seg);
        if ((current_option_word() & 0x40) && projection) {
            PointF a = get_pointf(projection, projection_frame_offset);
            PointF b = get_pointf(projection, projection_frame_offset + 8);
            Box frame{a.x, a.y, b.x, b.y};
            pieces[0] = fit_extension_line_to_frame(seg, frame, dimension_end, sheet_to_model_length(overshoot_mm()),
                                                    sheet_to_model_length(short_stroke_mm));
        }
        std::vector<Segment> own;
        if (!obstacles) {
            collect_axis_obstacles(view, projection, &own);
            obstacles = &own;
        }
        for (const Segment& o : *obstacles) {
            if (pieces.empty()) break;
            cut_extension_pieces(&pieces, o);
        }
        for (const Segment& p : pieces) draw_line_segment(view, &p);
    } catch (const std::bad_alloc&) {
        kernel_report_out_of_memory();
    }
}

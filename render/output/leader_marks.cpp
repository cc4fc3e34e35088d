// Leader marks: one list of pieces, drawn or measured.
#include "render/output/leader_marks.h"

#include <cmath>

#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/units_scale.h"
#include "render/output/dimension_pens.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"

namespace {

constexpr double pi_value = 3.14159265358979323846;

Point2 at(Point2 p, double angle, double len) { return Point2{p.x + std::cos(angle) * len, p.y + std::sin(angle) * len}; }

void segment(std::vector<LeaderMarkPiece>* out, double pen, Point2 a, Point2 b) {
    out->push_back(LeaderMarkPiece{leader_piece_segment, pen, {a, b, b}});
}

double text_height_of(int size_index) {
    if (size_index < 0 || size_index > 9) size_index = 0;
    return sheet_to_model_length(text_settings.text_heights[size_index]);
}

void piece_box(const LeaderMarkPiece& p, Box* box) {
    Box b;
    if (p.kind == leader_piece_circle) {
        CircleGeom c{{p.p[0].x + p.p[1].x, p.p[0].y}, p.p[0]};
        box_of_circle(&b, &c);
    } else if (p.kind == leader_piece_arc) {
        ArcByCentre g{p.p[0], p.p[1], p.p[2]};
        box_of_segment_or_arc(&b, &g, 4);
    } else {
        box_normalize(&b, p.p[0].x, p.p[0].y, p.p[1].x, p.p[1].y);
    }
    box_union(box, &b);
}

}  // namespace

void leader_mark_pieces(const uint8_t* leader, Point2 p0, Point2 p1, Point2 tip, std::vector<LeaderMarkPiece>* out) {
    out->clear();
    if (!leader) return;
    uint8_t style = leader[leader_style];
    double r = sheet_to_model_length(dimension_drawing_constants[10] > 0 ? dimension_drawing_constants[10] : 2.4);
    double w = sheet_to_model_length(dimension_drawing_constants[8] > 0 ? dimension_drawing_constants[8] : 2.4 / 0.866);
    Point2 m{tip.x + (p1.x - tip.x) * 2.0 / 3.0, tip.y + (p1.y - tip.y) * 2.0 / 3.0};
    double d = std::atan2(p1.y - m.y, p1.x - m.x);
    if (!std::isfinite(d)) d = 0.0;
    double np = d + pi_value / 2, nm = d - pi_value / 2;

    int bend = (style >> 4) & 3;
    if (bend == 1) {
        out->push_back(LeaderMarkPiece{leader_piece_circle, 0.25, {p1, {sheet_to_model_length(2.1), 0}, p1}});
    } else if (bend == 2) {
        Point2 e = at(p1, d, r);
        double n = ((p1.x < p0.x) != (tip.y < p1.y)) ? np : nm;
        double t = r / std::cos(2 * std::atan2(w, r) - pi_value / 2);
        out->push_back(LeaderMarkPiece{leader_piece_arc, 0.6, {p1, at(e, n, w), at(p1, d, t)}});
    }

    int form = style & 0x0F;
    Point2 e = at(m, d, r);
    switch (form) {
    case 1: {
        double h = text_height_of((get_u16(leader, annotation_flags) >> 7) & 0x0F);
        Point2 top{p1.x, p1.y - h};
        double away = p1.x < p0.x ? -1.0 : 1.0;
        segment(out, 0.25, p1, top);
        segment(out, 0.25, top, Point2{top.x + away * h / 2, top.y});
        break;
    }
    case 2:
        out->push_back(LeaderMarkPiece{leader_piece_arc, 0.6, {at(e, nm, w), at(e, np, w), m}});
        break;
    case 3:
        segment(out, 0.6, at(e, nm, w), m);
        segment(out, 0.6, at(e, np, w), m);
        segment(out, 0.6, at(m, nm, w), at(m, np, w));
        break;
    case 4: {
        double beta = pi_value + d - 75.0 * pi_value / 180.0;
        Point2 m2 = at(m, d, 1.2 * r);
        Point2 a1 = at(m, beta, -r), a2 = at(m, beta, r), b1 = at(m2, beta, -r), b2 = at(m2, beta, r);
        segment(out, 0.6, a1, a2);
        segment(out, 0.6, a2, b1);
        segment(out, 0.6, b1, b2);
        break;
    }
    case 5: {
        Point2 q1 = at(m, np, r), q2 = at(m, nm, r);
        segment(out, 0.6, at(q1, d, -r), q1);
        segment(out, 0.6, q1, q2);
        segment(out, 0.6, q2, at(q2, d, -r));
        break;
    }
    case 6: {
        Point2 back = at(m, d, -r);
        segment(out, 0.6, at(back, np, r), m);
        segment(out, 0.6, at(back, nm, r), m);
        break;
    }
    default:
        break;
    }
}

int draw_leader_marks(OutputView* view, Point2 p0, Point2 p1, Point2 tip, const uint8_t* leader, Box* box, int draw) {
    std::vector<LeaderMarkPiece> pieces;
    leader_mark_pieces(leader, p0, p1, tip, &pieces);
    if (!draw) {
        if (box) {
            *box = box_empty();
            for (const LeaderMarkPiece& p : pieces) piece_box(p, box);
        }
        return static_cast<int>(pieces.size());
    }
    if (!view) return 0;
    for (const LeaderMarkPiece& p : pieces) {
        PenScope pen = select_dimension_pen(view, p.pen_mm);
        if (p.kind == leader_piece_circle) {
            CircleGeom c{{p.p[0].x + p.p[1].x, p.p[0].y}, p.p[0]};
            draw_circle(view, &c);
        } else if (p.kind == leader_piece_arc) {
            ArcByPoints g{p.p[0], p.p[1], p.p[2]};
            ArcByCentre a;
            if (arc_by_points_to_centre(&g, &a)) {
                draw_arc(view, &a);
            } else {
                Segment s{p.p[0], p.p[1]};
                draw_line_segment(view, &s);
            }
        } else {
            Segment s{p.p[0], p.p[1]};
            draw_line_segment(view, &s);
        }
        canvas_restore_pen(&pen);
    }
    return static_cast<int>(pieces.size());
}

int leader_marks_box(const uint8_t* leader, const PointF corners[4], PointF anchor, Box* out) {
    if (!leader || !corners || !out) return 0;
    Point2 p1{corners[0].x, corners[0].y}, p0{corners[2].x, corners[2].y}, tip{anchor.x, anchor.y};
    Box b;
    if (draw_leader_marks(nullptr, p0, p1, tip, leader, &b, 0) == 0) return 0;
    *out = b;
    return 1;
}

void leader_marks_bind() {
    kernel_measurers.leader_marks_box = leader_marks_box;
}

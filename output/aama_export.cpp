// AAMA export: pattern pieces from the views' closed contours.
#include "output/aama_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/intersect.h"
#include "geometry/kernel_angles.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"
#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

const char text_export_failed[] = "$экспорта";

struct Writer {
    std::string blocks, inserts;
    DxfNode node{0, 0, 0, 0};
    double scale = 1, height = 297;
};

std::string number(double v) {
    char b[64];
    format_number(b, sizeof b, v);
    return b;
}

// The two coordinate groups of a point.
std::string xy(const Writer& w, Point2 p) {
    Point2 s = dxf_sheet_point(w.node, w.scale, w.height, p);
    return "  10\n" + number(s.x) + "\n  20\n" + number(s.y) + "\n";
}

// Points an arc of sweep s gives before its far end.
int inner_steps(double s) {
    double pi = k_pi();
    if (s <= pi / 4) return 1;
    if (s < pi / 2) return 2;
    if (s < pi) return 4;
    if (s < 3 * pi / 2) return 6;
    return 8;
}

// The points of one ring in walk order, each a vertex and a corner; false
// when the ring cannot be closed.
bool walk_ring(const std::vector<ContourPiece*>& marked, std::vector<Point2>* out) {
    if (marked.empty()) return false;
    std::vector<bool> used(marked.size(), false);
    size_t cur = 0;
    bool forward = true;
    used[0] = true;
    Point2 first = marked[0]->g[0];
    for (size_t guard = 0; guard <= marked.size(); ++guard) {
        ContourPiece* p = marked[cur];
        int kind = piece_kind(p);
        if (kind == piece_circle) {
            Point2 on = p->g[0], c = p->g[1];
            double r = point_distance(on, c), a0 = std::atan2(on.y - c.y, on.x - c.x);
            for (int k = 1; k <= 8; ++k) {
                double a = a0 - k * k_two_pi() / 8;
                out->push_back(k == 8 ? on : Point2{c.x + r * std::cos(a), c.y + r * std::sin(a)});
            }
            return marked.size() == 1;
        }
        Point2 end = forward ? p->g[1] : p->g[0];
        if (kind == piece_arc) {
            ArcByCentre arc{p->g[0], p->g[1], p->g[2]};
            double s = arc_sweep_angle(&arc);
            int steps = inner_steps(s);
            double r = point_distance(p->g[0], p->g[2]);
            double a0 = std::atan2(p->g[0].y - p->g[2].y, p->g[0].x - p->g[2].x);
            std::vector<Point2> inner;
            for (int k = 1; k < steps; ++k) {
                double a = a0 - k * s / steps;
                inner.push_back(Point2{p->g[2].x + r * std::cos(a), p->g[2].y + r * std::sin(a)});
            }
            if (!forward) std::reverse(inner.begin(), inner.end());
            out->insert(out->end(), inner.begin(), inner.end());
        }
        out->push_back(end);
        // The next unused piece with an end at this one, the nearest first.
        double best = -1;
        size_t next = marked.size();
        bool next_forward = true;
        for (size_t i = 0; i < marked.size(); ++i) {
            if (used[i]) continue;
            for (int e = 0; e < 2; ++e) {
                Point2 q = marked[i]->g[e];
                if (!points_equal(q.x, q.y, end.x, end.y)) continue;
                double d = point_distance(q, end);
                if (best < 0 || d < best) {
                    best = d;
                    next = i;
                    next_forward = e == 0;
                }
            }
        }
        if (next == marked.size()) return points_equal(end.x, end.y, first.x, first.y);
        used[next] = true;
        cur = next;
        forward = next_forward;
    }
    return false;
}

// Writes the outline of a found contour on layer; false when its ring does
// not close.
bool write_outline(Writer& w, const uint8_t* contour, int layer) {
    int count = static_cast<int16_t>(get_u16(contour, contour_member_count));
    int room = (get_u16(contour, record_length) - static_cast<int>(contour_members)) / 4;
    if (count > room && get_u16(contour, record_length) >= contour_head_size) count = room;
    std::set<uint32_t> members;
    for (int i = 0; i < count; ++i) members.insert(get_u32(contour, contour_members + 4 * static_cast<uint32_t>(i)));
    std::vector<ContourPiece*> marked;
    for (ContourPiece* p = contour_pieces; p; p = p->next)
        if (members.count(p->number)) marked.push_back(p);
    std::vector<Point2> pts;
    if (!walk_ring(marked, &pts)) return false;
    std::string l = std::to_string(layer);
    w.blocks += "  0\nPOLYLINE\n  8\n" + l + "\n 66\n1\n 70\n1\n  250\n2\n";
    std::string corners;
    for (const Point2& p : pts) {
        w.blocks += "  0\nVERTEX\n  8\n" + l + "\n" + xy(w, p);
        corners += "  0\nPOINT\n  8\n2\n" + xy(w, p);
    }
    w.blocks += "  0\nSEQEND\n" + corners;
    return true;
}

// Hits of the horizontal line through p with the element, as x values.
void scan_hits(const uint8_t* e, Point2 p, std::vector<double>* xs) {
    ScanHit h[2];
    int n = 0;
    int kind = element_kind(e);
    uint16_t len = get_u16(e, record_length);
    if ((kind == 1 || kind == 2) && len >= element_size2) {
        Point2 a = get_point2(e, element_coords2), b = get_point2(e, element_coords2 + 16);
        if (kind == 1) {
            Segment s{a, b};
            n = scanline_intersect_segment(p, &s, h);
        } else {
            CircleGeom c{a, b};
            n = scanline_intersect_circle(p, &c, h);
        }
    } else if ((kind == 3 || kind == 4) && len >= element_size3) {
        ArcByCentre a{get_point2(e, element_coords3), get_point2(e, element_coords3 + 16),
                      get_point2(e, element_coords3 + 32)};
        n = scanline_intersect_arc(p, &a, kind, h);
    }
    for (int i = 0; i < n && i < 2; ++i) xs->push_back(h[i].x);
}

// One piece; -1 when it has no outer outline.
int write_piece(Writer& w, DrawingFile* df, uint8_t* projection, uint32_t number) {
    // Hits from the left: the leftmost lies on the outer outline.
    float x1 = get_f32(projection, projection_frame_offset), y1 = get_f32(projection, projection_frame_offset + 4);
    float x2 = get_f32(projection, projection_frame_offset + 8), y2 = get_f32(projection, projection_frame_offset + 12);
    Point2 centre{(static_cast<double>(x1) + x2) / 2, (static_cast<double>(y1) + y2) / 2};
    std::vector<double> xs;
    RecordRef h = get_u32(projection, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    for (uint8_t* e = record_next(df, &h, nullptr, eb); e; e = record_next(df, &h, e, eb)) scan_hits(e, centre, &xs);
    std::sort(xs.begin(), xs.end());
    double step = 0.015 / (w.scale > 0 ? w.scale : 1.0);
    char name[32];
    std::snprintf(name, sizeof name, "Pattern_%u", number);
    std::string head = std::string("  0\nBLOCK\n  8\n0\n  2\n") + name + "\n  70\n64\n  10\n0\n  20\n0\n";
    w.blocks += head;
    bool outer = false;
    for (double x : xs) {
        uint8_t* c = find_closed_contour(projection, Point2{x + step, centre.y}, contour_kind_hole, 1);
        if (!c) {
            free_contour_piece_list();
            continue;
        }
        outer = write_outline(w, c, 1);
        free_contour(c);
        if (outer) break;
    }
    if (!outer) return -1;
    // Holes: every hatching's contour, once each.
    std::set<RecordRef> done;
    PageBuffer* ab = &page_buffers[table_annotation];
    std::vector<Point2> seeds;
    RecordRef ah = get_u32(projection, projection_annotations);
    for (uint8_t* a = record_next(df, &ah, nullptr, ab); a; a = record_next(df, &ah, a, ab)) {
        if (get_u16(a, record_length) < hatching_record_size || a[record_kind] != annotation_hatching) continue;
        RecordRef ref = record_ref_of(ab, a);
        if (!done.insert(ref).second) continue;
        seeds.push_back(Point2{get_f32(a, hatching_seed), get_f32(a, hatching_seed + 4)});
    }
    for (Point2 s : seeds) {
        uint8_t* c = find_closed_contour(projection, s, contour_kind_hatch, 1);
        if (!c) {
            free_contour_piece_list();
            continue;
        }
        write_outline(w, c, 8);
        free_contour(c);
    }
    w.blocks += "  0\nENDBLK\n";
    w.inserts += std::string("  0\nINSERT\n  8\n1\n  2\n") + name + "\n  10\n0.000000\n  20\n0.000000\n";
    return 0;
}

}  // namespace

int aama_write(FILE* f, DrawingFile* df, const std::vector<DxfView>& views) {
    Writer w;
    w.scale = get_f64(df->header, header_scale);
    if (!(w.scale > 0) || !std::isfinite(w.scale)) w.scale = 1.0;
    w.height = get_f32(df->header, header_sheet_height);
    int result = 0;
    for (const DxfView& v : views) {
        std::vector<uint8_t> copy = dxf_view_projection(df, v);
        if (copy.empty()) continue;
        if (get_u32(copy.data(), projection_elements) == 0) continue;  // no graphic elements
        w.node = v.node;
        if (write_piece(w, df, copy.data(), get_u32(copy.data(), record_key)) != 0) {
            // The piece without an outer outline is named under the message.
            static char caption[300];
            view_caption(copy.data(), caption, sizeof caption);
            error_stack_push(caption);
            show_program_message(text_export_failed);
            error_flag = 1;
            result = -1;
            break;
        }
    }
    free_contour_piece_list();
    std::string out = "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nSECTION\n  2\nBLOCKS\n";
    out += w.blocks;
    out += "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
    const char* texts[2] = {"Author:Veruzurev Oduvoder 2", "Version:1"};
    for (const char* t : texts)
        out += std::string("  0\nTEXT\n  8\n1\n  10\n0.000000\n  20\n0.000000\n  40\n0.250000\n  50\n0.000000\n  1\n") +
               t + "\n  7\nSTANDARD\n";
    out += w.inserts;
    out += "  0\nENDSEC\n  0\nEOF\n";
    if (result == 0 && std::fputs(out.c_str(), f) < 0) {
        show_program_message(text_export_failed);
        error_flag = 1;
        return -1;
    }
    return result;
}

// View breaks: laying out the break elements of a projection.
#include "stages/points_elements/view_break.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/program_messages.h"
#include "geometry/curves.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "render/contours/contour_graph.h"
#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "stages/points_elements/element_records.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

PageBuffer* element_buffer() { return &page_buffers[table_elements]; }

// A working copy of one element record.
struct Working {
    RecordRef ref;
    std::vector<unsigned char> bytes;
    bool changed = false;
};

// One break in the working list.
struct BreakNode {
    size_t element;     // index of its working copy
    uint32_t point[2];
    Point2 end[2];
    int g;              // the placed end
    double angle;       // direction from the other end to end g
    double gap;
    int visits = 0;
    bool carried = false;
};

bool deleted(const std::vector<unsigned char>& r) {
    return (get_u16(r.data(), element_flags) & element_flag_purge) != 0;
}

// The placed end: the greater x, at equal x the greater or equal y.
void choose_placed_end(BreakNode& n) {
    int cx = compare_doubles(n.end[1].x, n.end[0].x);
    n.g = cx > 0 ? 1 : cx < 0 ? 0 : (compare_doubles(n.end[1].y, n.end[0].y) >= 0 ? 1 : 0);
    Point2 a = n.end[1 - n.g], b = n.end[n.g];
    n.angle = std::atan2(b.y - a.y, b.x - a.x);
}

// Every other node with an end on `point` takes (x, y) there and is carried;
// a carried placed end hands that role to the other end.
void break_ends_update(std::vector<BreakNode>& list, size_t current, uint32_t point, Point2 at) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (i == current) continue;
        BreakNode& n = list[i];
        for (int k = 0; k < 2; ++k) {
            if (n.point[k] != point) continue;
            n.end[k] = at;
            n.carried = true;
            if (k == n.g) {
                n.g = 1 - k;
                n.angle += 3.14159265358979323846;
            }
        }
    }
}

int default_region(unsigned char* projection, Point2 at, const std::vector<Point2>& points,
                   std::vector<char>* inside) {
    collect_contour_pieces(projection);
    if (error_flag) return -1;
    // The innermost loop around the point; a point on its outline counts
    // as inside a hole contour (kind 1).
    uint8_t* contour = trace_contour_around(projection, at, 0);
    if (contour)
        put_u16(contour, 66, static_cast<uint16_t>((get_u16(contour, 66) & ~7) | contour_kind_hole));
    if (!contour) {
        free_contour_piece_list();
        contour_pieces_active = 0;
        return error_flag ? -1 : 0;
    }
    inside->assign(points.size(), 0);
    // The members are piece numbers: look-ups answer from the piece list.
    contour_pieces_active = 1;
    for (size_t i = 0; i < points.size(); ++i) (*inside)[i] = point_in_contour(projection, points[i], contour) ? 1 : 0;
    free_contour(contour);
    return error_flag ? -1 : 1;
}

// Whether points of this kind move with the region.
bool shifted_kind(int kind) {
    return (kind >= element_kind_segment && kind <= element_kind_curve) || kind == element_kind_symbol;
}

void smooth_curve(std::vector<unsigned char>& r) {
    int n = get_i16(r.data(), curve_count);
    if (n < 2 || n > 512) return;
    std::vector<CurveVertex> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = element_curve_vertex(r.data(), i);
    uint16_t o = get_u16(r.data(), element_options);
    smooth_curve_through_points(v.data(), n, (o & element_opt_closed) ? 1 : 0, (o & element_opt_three_point) ? 1 : 0);
    for (int i = 0; i < n; ++i) {
        uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
        if (at + curve_vertex_size <= r.size()) put_point2(r.data(), at + curve_vertex_through_x, v[static_cast<size_t>(i)].through);
    }
}

void refuse(const ViewBreakHooks& hooks, const unsigned char* projection) {
    const char* caption = hooks.caption ? hooks.caption(projection) : "";
    error_stack_push(caption ? caption : "");
    const char* text = "Разрыв не может быть построен!";
    if (hooks.message) {
        hooks.message(text);
        error_stack_clear();
    } else {
        show_program_message(text);
    }
}

}  // namespace

int view_break_apply(DrawingFile* df, unsigned char* projection, const ViewBreakHooks& hooks) {
    if (!df || !projection) return view_break_none;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    std::vector<Working> work;
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag; r = record_next(df, head, r, eb)) {
        Working w;
        w.ref = record_ref_of(eb, r);
        w.bytes.assign(r, r + get_u16(r, record_length));
        work.push_back(std::move(w));
    }
    if (error_flag) return view_break_failed;

    // 1. The working list, pushed at its head in chain order.
    std::vector<BreakNode> list;
    for (size_t i = 0; i < work.size(); ++i) {
        const std::vector<unsigned char>& r = work[i].bytes;
        if (r.size() < element_size_break || element_kind(r.data()) != element_kind_break || deleted(r)) continue;
        BreakNode n{};
        n.element = i;
        for (int k = 0; k < 2; ++k) {
            n.point[k] = get_u32(r.data(), element_points + 4 * k);
            n.end[k] = get_point2(r.data(), element_coords2 + 16 * k);
        }
        n.gap = get_f64(r.data(), element_break_gap);
        choose_placed_end(n);
        list.insert(list.begin(), n);
    }
    if (list.empty()) return view_break_none;
    const int limit = 2 * static_cast<int>(list.size());

    // 2. The break whose other end lies leftmost (then lowest) goes first.
    size_t current = 0;
    for (size_t i = 1; i < list.size(); ++i) {
        Point2 a = list[i].end[1 - list[i].g], b = list[current].end[1 - list[current].g];
        int cx = compare_doubles(a.x, b.x);
        if (cx < 0 || (cx == 0 && compare_doubles(a.y, b.y) < 0)) current = i;
    }

    auto region = hooks.region ? hooks.region : default_region;
    std::vector<bool> visited(list.size(), false);
    for (;;) {
        BreakNode& n = list[current];
        n.carried = false;
        ++n.visits;
        visited[current] = true;
        Point2 other = n.end[1 - n.g];
        Point2 placed{other.x + n.gap * std::cos(n.angle), other.y + n.gap * std::sin(n.angle)};
        n.end[n.g] = placed;

        // 4. The element that holds the placed end's point decides the shift.
        uint32_t point = n.point[n.g];
        const Working* holder = nullptr;
        Point2 stored{};
        for (const Working& w : work) {
            int kind = element_kind(w.bytes.data());
            if (kind == element_kind_break || !element_kind_valid(kind) || deleted(w.bytes)) continue;
            if (!element_record_valid(w.bytes.data())) continue;
            ElementPointPlace places[64];
            int k = element_point_places(w.bytes.data(), places, 64);
            for (int i = 0; i < k && !holder; ++i)
                if (places[i].number == point) {
                    holder = &w;
                    stored = get_point2(w.bytes.data(), places[i].coords);
                }
            if (holder) break;
        }
        if (!holder || !shifted_kind(element_kind(holder->bytes.data()))) {
            refuse(hooks, projection);
            return view_break_failed;
        }
        Point2 shift{placed.x - stored.x, placed.y - stored.y};

        // 6-7. Every point of the region beyond the break moves by the shift.
        // The region is found on the drawing as stored; the moves are made
        // on the working copies.
        std::vector<Point2> points;
        struct Place {
            size_t element;
            uint32_t number;
            uint32_t coords;
        };
        std::vector<Place> places;
        for (size_t e = 0; e < work.size(); ++e) {
            const std::vector<unsigned char>& r = work[e].bytes;
            int kind = element_kind(r.data());
            if (!shifted_kind(kind) || deleted(r) || !element_record_valid(r.data())) continue;
            ElementPointPlace at[512];
            int k = element_point_places(r.data(), at, 512);
            for (int i = 0; i < k; ++i) {
                places.push_back({e, at[i].number, at[i].coords});
                points.push_back(get_point2(r.data(), at[i].coords));
            }
        }
        std::vector<char> inside(points.size(), 0);
        // The point lies on the outline of the region: the search starts a
        // hair beyond it, along the break or turned off it by up to 60
        // degrees (a break along an edge leaves the first seeds on the
        // outline), inside the region beyond.
        double hair = 4 * curve_tolerance();
        int found = 0;
        for (double turn : {0.0, 0.5, -0.5, 1.0, -1.0}) {
            double a = n.angle + turn;
            Point2 seed{stored.x + hair * std::cos(a), stored.y + hair * std::sin(a)};
            found = region(projection, seed, points, &inside);
            error_flag = 0;
            if (found != 0) break;
        }
        error_flag = 0;
        if (found <= 0) {
            refuse(hooks, projection);
            return view_break_failed;
        }
        std::vector<int> moved_in(work.size(), 0), total_in(work.size(), 0);
        for (size_t i = 0; i < places.size(); ++i) {
            ++total_in[places[i].element];
            if (!inside[i]) continue;
            std::vector<unsigned char>& r = work[places[i].element].bytes;
            Point2 p = points[i];
            Point2 to{p.x + shift.x, p.y + shift.y};
            put_point2(r.data(), places[i].coords, to);
            work[places[i].element].changed = true;
            ++moved_in[places[i].element];
            if (places[i].number) break_ends_update(list, current, places[i].number, to);
        }
        // Curves: a curve moved whole keeps its shape; a curve moved in
        // part is smoothed again through its vertices.
        for (size_t e = 0; e < work.size(); ++e) {
            if (!moved_in[e] || element_kind(work[e].bytes.data()) != element_kind_curve) continue;
            std::vector<unsigned char>& r = work[e].bytes;
            if (moved_in[e] == total_in[e]) {
                int count = get_i16(r.data(), curve_count);
                for (int i = 0; i < count; ++i) {
                    uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i) + curve_vertex_through_x;
                    if (at + 16 > r.size()) break;
                    Point2 t = get_point2(r.data(), at);
                    put_point2(r.data(), at, {t.x + shift.x, t.y + shift.y});
                }
            } else if (!(get_u16(r.data(), element_options) & element_opt_image)) {
                smooth_curve(r);
            }
        }

        // 8. The next carried break that has not been laid out too often;
        // once the carried chain ends, a break never reached starts anew.
        size_t next = list.size();
        for (size_t i = 0; i < list.size() && next == list.size(); ++i)
            if (list[i].carried && list[i].visits < limit) next = i;
        for (size_t i = 0; i < list.size() && next == list.size(); ++i)
            if (!visited[i]) next = i;
        if (next == list.size()) break;
        current = next;
    }

    // Every break's ends come from the working list; then the copies are
    // written back.
    for (const BreakNode& n : list) {
        std::vector<unsigned char>& r = work[n.element].bytes;
        for (int k = 0; k < 2; ++k) put_point2(r.data(), element_coords2 + 16 * k, n.end[k]);
        work[n.element].changed = true;
    }
    for (const Working& w : work) {
        if (!w.changed) continue;
        RecordRef at = w.ref;
        unsigned char* r = record_read_at(df, &at, eb);
        if (!r || get_u16(r, record_length) != w.bytes.size()) continue;
        std::memcpy(r, w.bytes.data(), w.bytes.size());
        eb->clean = 0;
    }
    return error_flag ? view_break_failed : view_break_done;
}

// Clipping segments, arcs, circles and curves to contours; screening.
#include "render/contours/contour_clip.h"

#include "geometry/extents.h"
#include "geometry/growing_arrays.h"
#include "geometry/intersect.h"
#include "geometry/kernel_angles.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

void free_hatch_lines(ContourWindow* window) {
    if (!window) return;
    while (window->hatch_lines) {
        HatchLine* n = window->hatch_lines->next;
        std::free(window->hatch_lines);
        window->hatch_lines = n;
    }
}

namespace {

PageBuffer* elements_buf() { return &page_buffers[table_elements]; }
PageBuffer* contours_buf() { return &page_buffers[table_contours]; }
PageBuffer* annotation_buf() { return &page_buffers[table_annotation]; }

bool boxes_overlap(const Box& a, const Box& b) {
    return compare_doubles(a.min_x, b.max_x) <= 0 && compare_doubles(b.min_x, a.max_x) <= 0 &&
           compare_doubles(a.min_y, b.max_y) <= 0 && compare_doubles(b.min_y, a.max_y) <= 0;
}

bool box_contains_box(const Box& outer, const Box& inner) {
    return compare_doubles(outer.min_x, inner.min_x) <= 0 && compare_doubles(outer.min_y, inner.min_y) <= 0 &&
           compare_doubles(outer.max_x, inner.max_x) >= 0 && compare_doubles(outer.max_y, inner.max_y) >= 0;
}

// The text box of an annotation record, widened by 1.24 sheet mm; false
// when it has none.
bool annotation_text_box(const uint8_t* a, Box* out) {
    int kind = a[record_kind];
    TextMetrics m{};
    if (kind == annotation_dimension_text) {
        if (get_u16(a, annotation_flags) & 0x5000) return false;
        if (!kernel_measurers.dimension_label_metrics(a, &m)) return false;
        box_of_dimension_label_text(out, a, &m);
    } else if (kind == annotation_leader) {
        if (!kernel_measurers.annotation_text_metrics(a, &m)) return false;
        box_of_annotation_text(out, a, &m);
    } else if (kind == annotation_text_fragment) {
        box_of_two_point_annotation(out, a);
    } else {
        return false;
    }
    if (box_is_empty(out)) return false;
    box_widen(out, std::fabs(sheet_to_model_length(1.24)));
    return true;
}

// One contour considered by a clip call.
struct Entry {
    int decides_visible;
    const uint8_t* contour;  // null for a text rectangle
    uint8_t* owned;          // a copy this call made
    Box rect;                // text rectangle
    uint16_t level;          // effective level
    int hidden_line_type;
    bool untested;           // hatch mode: contains the whole range box
};

// The element being clipped: a segment (kind 1) or an arc by centre (kind 3).
struct Path {
    int kind;
    Point2 g[3];
};

void add_points(PointArray* pts, const Point2* p, int n) {
    if (n > 0) point_array_append(pts, p, static_cast<size_t>(n));
}

std::vector<CurveVertex> curve_vertices_of(const uint8_t* e) {
    uint16_t len = get_u16(e, record_length);
    int count = get_i16(e, curve_count);
    int room = len >= 36 ? (len - 36) / 36 + 1 : 0;
    if (count > room) count = room;
    std::vector<CurveVertex> v;
    for (int i = 0; i < count; ++i) {
        size_t at = curve_vertices + static_cast<size_t>(i) * curve_vertex_size;
        CurveVertex cv{get_u32(e, at), get_point2(e, at + 4), {0, 0}};
        cv.through = at + 36 <= len ? get_point2(e, at + 20) : cv.point;
        v.push_back(cv);
    }
    return v;
}

// Intersections of the path with one member element.
void intersect_member(const Path& path, const uint8_t* m, PointArray* pts) {
    Point2 out[4];
    int kind = element_kind(m);
    uint16_t len = get_u16(m, record_length);
    if (path.kind == 1) {
        Segment s{path.g[0], path.g[1]};
        if (kind == 1 && len >= element_size2) {
            Segment o{get_point2(m, element_coords2), get_point2(m, element_coords2 + 16)};
            add_points(pts, out, intersect_segments(&s, &o, out));
        } else if (kind == 2 && len >= element_size2) {
            CircleGeom c{get_point2(m, element_coords2), get_point2(m, element_coords2 + 16)};
            add_points(pts, out, intersect_segment_circle(&s, &c, out));
        } else if ((kind == 3 || kind == 4) && len >= element_size3) {
            ArcByCentre a{get_point2(m, element_coords3), get_point2(m, element_coords3 + 16),
                          get_point2(m, element_coords3 + 32)};
            add_points(pts, out, intersect_segment_arc(&s, &a, kind, out));
        } else if (kind == 5) {
            std::vector<CurveVertex> v = curve_vertices_of(m);
            intersect_segment_curve(&s, v.data(), static_cast<int>(v.size()), pts);
        }
    } else {
        ArcByCentre arc{path.g[0], path.g[1], path.g[2]};
        if (kind == 1 && len >= element_size2) {
            Segment o{get_point2(m, element_coords2), get_point2(m, element_coords2 + 16)};
            add_points(pts, out, intersect_segment_arc(&o, &arc, 3, out));
        } else if (kind == 2 && len >= element_size2) {
            CircleGeom c{get_point2(m, element_coords2), get_point2(m, element_coords2 + 16)};
            add_points(pts, out, intersect_arc_circle(&arc, 3, &c, out));
        } else if ((kind == 3 || kind == 4) && len >= element_size3) {
            ArcByCentre a{get_point2(m, element_coords3), get_point2(m, element_coords3 + 16),
                          get_point2(m, element_coords3 + 32)};
            add_points(pts, out, intersect_arcs(&arc, 3, &a, kind, out));
        } else if (kind == 5) {
            std::vector<CurveVertex> v = curve_vertices_of(m);
            intersect_arc_curve(&arc, 3, v.data(), static_cast<int>(v.size()), pts);
        }
    }
}

void intersect_rect(const Path& path, const Box& r, PointArray* pts) {
    Point2 c[4] = {{r.min_x, r.min_y}, {r.max_x, r.min_y}, {r.max_x, r.max_y}, {r.min_x, r.max_y}};
    for (int i = 0; i < 4; ++i) {
        uint8_t side[element_size2] = {};
        put_u16(side, record_length, element_size2);
        put_u16(side, element_flags, 1);
        put_point2(side, element_coords2, c[i]);
        put_point2(side, element_coords2 + 16, c[(i + 1) % 4]);
        intersect_member(path, side, pts);
    }
}

bool inside_rect(const Box& r, Point2 p) {
    return compare_doubles(p.x, r.min_x) >= 0 && compare_doubles(p.x, r.max_x) <= 0 &&
           compare_doubles(p.y, r.min_y) >= 0 && compare_doubles(p.y, r.max_y) <= 0;
}

double angle_about(Point2 p, Point2 c) { return std::atan2(p.y - c.y, p.x - c.x); }

// The two test points of a piece: its middle and the point halfway between
// its start and its middle.
void test_points(const Path& piece, Point2 out[2]) {
    if (piece.kind == 1) {
        Point2 a = piece.g[0], b = piece.g[1];
        out[0] = Point2{(a.x + b.x) / 2, (a.y + b.y) / 2};
        out[1] = Point2{(a.x + out[0].x) / 2, (a.y + out[0].y) / 2};
        return;
    }
    Point2 c = piece.g[2];
    double r = point_distance(piece.g[0], c);
    double as = angle_about(piece.g[0], c), ae = angle_about(piece.g[1], c);
    if (points_equal(piece.g[0].x, piece.g[0].y, piece.g[1].x, piece.g[1].y)) ae = as - k_two_pi();
    if (ae > as) ae -= k_two_pi();
    double mid = (as + ae) / 2, quarter = (as + mid) / 2;
    out[0] = Point2{c.x + r * std::cos(mid), c.y + r * std::sin(mid)};
    out[1] = Point2{c.x + r * std::cos(quarter), c.y + r * std::sin(quarter)};
}

// Gathers the contours a clip call considers.
struct ContourSource {
    std::vector<Entry> entries;
    ~ContourSource() {
        for (Entry& e : entries) std::free(e.owned);
    }
};

void consider(std::vector<Entry>* out, const uint8_t* c, uint8_t* owned, int mode, uint32_t which, uint16_t own_level,
              const Box& element_box, const Box* range) {
    int kind = contour_kind(c);
    bool wanted = kind == 0 || kind == 1 || (kind == 2 && mode == clip_hatch_mode);
    uint16_t level = get_u16(c, contour_level);
    Box box = get_box(c, contour_box);
    if (!wanted || level <= own_level || !boxes_overlap(box, element_box)) {
        std::free(owned);
        return;
    }
    Entry e{};
    e.contour = owned ? owned : c;
    e.owned = owned;
    e.level = level;
    e.hidden_line_type = (get_u16(c, contour_flags) >> 3) & 0x0F;
    if (mode == clip_screening_mode) {
        e.decides_visible = kind == 1;
    } else {
        bool own = get_u32(c, contour_number) == which;
        e.decides_visible = own;
        if (own) e.level = static_cast<uint16_t>(level - 2);
        else if (range && box_contains_box(box, *range)) e.untested = true;
    }
    out->push_back(e);
}

bool gather_contours(uint8_t* projection, int mode, uint32_t which, uint16_t own_level, const Box& element_box,
                     const Box* range, std::vector<Entry>* out) {
    if (contour_array) {
        for (size_t i = 0; i < contour_array_count; ++i)
            consider(out, contour_array[i], nullptr, mode, which, own_level, element_box, range);
    } else {
        DrawingFile* df = current_drawing_file();
        RecordRef* head = projection_chain(projection, projection_contours);
        std::vector<RecordRef> refs;
        for (uint8_t* r = record_next(df, head, nullptr, contours_buf()); r && !error_flag;
             r = record_next(df, head, r, contours_buf())) {
            if (get_u16(r, contour_flags) & contour_flag_continuation) continue;
            refs.push_back(record_ref_of(contours_buf(), r));
        }
        for (RecordRef ref : refs) {
            RecordRef at = ref;
            uint8_t* r = record_read_at(df, &at, contours_buf());
            if (!r || error_flag) return false;
            uint8_t* copy;
            if (get_u16(r, contour_flags) & contour_flag_first_chunk) {
                copy = copy_contour_record(df, head, r, contours_buf());
            } else {
                size_t len = get_u16(r, record_length);
                if (len > record_max_length) len = record_max_length;
                // At least a whole head, zeroed, whatever the stored length.
                copy = static_cast<uint8_t*>(std::calloc(1, len < contour_block_size ? contour_block_size : len));
                if (copy) std::memcpy(copy, r, len);
            }
            if (!copy) {
                contour_report_out_of_memory();
                return false;
            }
            consider(out, copy, copy, mode, which, own_level, element_box, range);
        }
    }
    if (mode == clip_hatch_mode) {
        DrawingFile* df = current_drawing_file();
        RecordRef* head = projection_chain(projection, projection_annotations);
        for (uint8_t* a = record_next(df, head, nullptr, annotation_buf()); a && !error_flag;
             a = record_next(df, head, a, annotation_buf())) {
            int kind = a[record_kind];
            if (kind != annotation_leader && kind != annotation_text_fragment && kind != annotation_dimension_text)
                continue;
            Box rect;
            if (!annotation_text_box(a, &rect) || !boxes_overlap(rect, element_box)) continue;
            Entry e{};
            e.rect = rect;
            e.level = 0xFFFE;
            out->push_back(e);
        }
    }
    return !error_flag;
}

// The element's record copied, so that stores during the call cannot move it.
std::vector<uint8_t> copy_record(const uint8_t* e) {
    uint16_t len = get_u16(e, record_length);
    if (len > record_max_length) len = record_max_length;
    return std::vector<uint8_t>(e, e + len);
}

struct IndexGuard {
    IndexGuard(uint8_t* projection) {
        DrawingFile* df = current_drawing_file();
        element_index = df ? record_chain_index(df, projection_chain(projection, projection_elements), element_size2, 0, 0,
                                                elements_buf())
                           : nullptr;
        if (error_flag) error_flag = 0;  // no index: members are found by walking the chain
    }
    ~IndexGuard() {
        std::free(element_index);
        element_index = nullptr;
    }
};

// Cuts the path, decides each piece and emits it.  `rec` is the element
// record (its flags, numbers and level are copied into the pieces); `point
// numbers` are those of the path's start and end.
int clip_path(ContourWindow* window, const std::vector<uint8_t>& rec, const Path& path, uint32_t start_no,
              uint32_t end_no, uint32_t which, const Box* range, int mode) {
    uint8_t* projection = window ? window->projection : nullptr;
    if (!projection || get_u32(projection, projection_contours) == 0) return 0;
    if (mode == clip_screening_mode && get_u16(projection, projection_highest_level) == 0) return 0;
    uint16_t own_level = get_u16(rec.data(), element_level);
    Box element_box;
    if (path.kind == 1) {
        box_normalize(&element_box, path.g[0].x, path.g[0].y, path.g[1].x, path.g[1].y);
    } else {
        ArcByCentre a{path.g[0], path.g[1], path.g[2]};
        box_of_segment_or_arc(&element_box, &a, 3);
    }
    ContourSource source;
    if (!gather_contours(projection, mode, which, own_level, element_box, range, &source.entries)) return 0;
    std::vector<Entry>& entries = source.entries;
    if (entries.empty()) return 0;
    IndexGuard index(projection);

    // Cut points: start, end, then every intersection.
    PointArray pts{nullptr, 0, 0};
    Point2 ends[2] = {path.g[0], path.g[1]};
    point_array_append(&pts, ends, 2);
    for (Entry& e : entries) {
        if (e.contour) {
            int count = get_i16(e.contour, contour_member_count);
            int room = (static_cast<int>(get_u16(e.contour, record_length)) - static_cast<int>(contour_members)) / 4;
            if (count > room) count = room;
            for (int i = 0; i < count; ++i) {
                uint32_t member = get_u32(e.contour, contour_members + 4 * static_cast<size_t>(i));
                for (uint8_t* m = contour_member_next(projection, nullptr, member); m;
                     m = contour_member_next(projection, m, member))
                    intersect_member(path, m, &pts);
            }
        } else {
            intersect_rect(path, e.rect, &pts);
        }
        if (error_flag) {
            point_array_free(&pts);
            return 0;
        }
    }
    // Order along the path: [start, sorted cuts, end].
    std::vector<Point2> cut;
    if (path.kind == 1) {
        bool vertical = compare_doubles(path.g[0].x, path.g[1].x) == 0;
        auto key = [&](Point2 p) {
            return vertical ? std::fabs(p.y - path.g[0].y) : std::fabs(p.x - path.g[0].x);
        };
        cut.push_back(path.g[0]);
        std::vector<Point2> mid(pts.items + 2, pts.items + pts.used);
        for (size_t i = 0; i + 1 < mid.size() + 1 && mid.size() > 1; ++i)
            for (size_t j = 0; j + 1 < mid.size(); ++j)
                if (key(mid[j]) > key(mid[j + 1])) std::swap(mid[j], mid[j + 1]);
        for (Point2 p : mid)
            if (key(p) < key(path.g[1])) cut.push_back(p);
        cut.push_back(path.g[1]);
    } else {
        ArcByCentre a{path.g[0], path.g[1], path.g[2]};
        std::vector<Point2> all(pts.items, pts.items + pts.used);
        if (all.size() > 2) sort_points_on_arc(&a, all.data(), static_cast<int>(all.size()));
        // A sorted list may hold the end before the last cut when a cut lies
        // off the arc; cut at the end.
        for (Point2 p : all) {
            cut.push_back(p);
            if (cut.size() > 1 && points_equal(p.x, p.y, path.g[1].x, path.g[1].y)) break;
        }
        if (!points_equal(cut.back().x, cut.back().y, path.g[1].x, path.g[1].y)) cut.push_back(path.g[1]);
    }
    point_array_free(&pts);

    // The pieces and their cells.
    std::vector<Path> pieces;
    bool full_circle = path.kind == 3 && points_equal(path.g[0].x, path.g[0].y, path.g[1].x, path.g[1].y);
    for (size_t i = 0; i + 1 < cut.size(); ++i) {
        Path p = path;
        p.g[0] = cut[i];
        p.g[1] = cut[i + 1];
        bool degenerate = points_equal(p.g[0].x, p.g[0].y, p.g[1].x, p.g[1].y);
        if (degenerate && !(full_circle && cut.size() == 2)) continue;
        if (p.kind == 3 && !(full_circle && cut.size() == 2)) {
            ArcByCentre a{p.g[0], p.g[1], p.g[2]};
            correct_arc_center(&a);
            p.g[2] = a.centre;
        }
        pieces.push_back(p);
    }
    // One cell per piece and contour: the contour's effective level and
    // whether the piece lies inside it.  The inside mark is kept apart from
    // the level, so that odd levels do not read as "inside".
    struct Cell {
        uint16_t level;
        bool inside;
    };
    std::vector<Cell> cells(pieces.size() * entries.size(), Cell{0, false});
    int result = 0;
    for (size_t c = 0; c < entries.size(); ++c) {
        const Entry& e = entries[c];
        for (size_t i = 0; i < pieces.size(); ++i) {
            Cell cell{e.level, false};
            if (!e.untested) {
                Point2 t[2];
                test_points(pieces[i], t);
                bool in = e.contour ? point_in_contour(projection, t[0], e.contour) &&
                                          point_in_contour(projection, t[1], e.contour)
                                    : inside_rect(e.rect, t[0]) && inside_rect(e.rect, t[1]);
                if (error_flag) return 0;
                if (in) {
                    cell.inside = true;
                    result = 1;
                }
            }
            cells[i * entries.size() + c] = cell;
        }
    }
    if (!result) return 0;

    DrawingFile* df = current_drawing_file();
    int element_line_type = (get_u16(rec.data(), element_flags) >> 4) & 0x0F;
    for (size_t i = 0; i < pieces.size(); ++i) {
        Cell* row = &cells[i * entries.size()];
        bool contained = false, shown = true;
        int hidden_line_type = 0;
        for (;;) {
            size_t best = entries.size();
            uint16_t best_rank = 0xFFFF;
            for (size_t c = 0; c < entries.size(); ++c) {
                if (!row[c].inside) continue;
                uint16_t rank = static_cast<uint16_t>(row[c].level - own_level);
                if (best == entries.size() || rank < best_rank) {
                    best = c;
                    best_rank = rank;
                }
            }
            if (best == entries.size()) break;
            row[best].inside = false;
            contained = true;
            if (entries[best].decides_visible) {
                shown = true;
            } else if (shown) {
                shown = false;
                hidden_line_type = (element_line_type != 0 && element_line_type != 15)
                                       ? entries[best].hidden_line_type
                                       : element_line_type;
            } else {
                break;
            }
        }
        int level;
        int line_type = element_line_type;
        if (contained) {
            if (shown) {
                level = 1;
            } else if (hidden_line_type) {
                level = 1;
                line_type = hidden_line_type;
            } else {
                level = 2;
            }
        } else {
            level = mode == clip_screening_mode ? 1 : 0;
        }
        if (mode == clip_hatch_mode) {
            if (level != 1) continue;
            HatchLine* node = static_cast<HatchLine*>(std::calloc(1, sizeof(HatchLine)));
            if (!node) {
                contour_report_out_of_memory();
                return result;
            }
            node->kind = static_cast<uint16_t>(pieces[i].kind | (line_type << 4));
            for (int k = 0; k < 3; ++k) node->g[k] = pieces[i].g[k];
            node->next = window->hatch_lines;
            window->hatch_lines = node;
            continue;
        }
        // Screening: a copy of the element with the piece's geometry.
        std::vector<uint8_t> out(path.kind == 1 ? element_size2 : element_size3, 0);
        std::memcpy(out.data(), rec.data(), std::min(out.size(), rec.size()));
        put_u16(out.data(), record_length, static_cast<uint16_t>(out.size()));
        uint16_t flags = get_u16(rec.data(), element_flags);
        flags = static_cast<uint16_t>((flags & ~(element_flag_kind | element_flag_line_type | element_flag_screened |
                                                 element_flag_screen_piece)) |
                                      path.kind | (line_type << 4) | (level << 12));
        put_u16(out.data(), element_flags, flags);
        put_u32(out.data(), element_points, i == 0 ? start_no : 0);
        put_u32(out.data(), element_points + 4, i + 1 == pieces.size() ? end_no : 0);
        if (path.kind == 1) {
            put_point2(out.data(), element_coords2, pieces[i].g[0]);
            put_point2(out.data(), element_coords2 + 16, pieces[i].g[1]);
        } else {
            if (element_kind(rec.data()) != 3) put_u32(out.data(), element_points + 8, 0);
            for (int k = 0; k < 3; ++k) put_point2(out.data(), element_coords3 + 16 * static_cast<size_t>(k), pieces[i].g[k]);
        }
        if (!record_add(df, projection_chain(projection, projection_elements), out.data(), elements_buf()) || error_flag) {
            error_flag = 1;
            return result;
        }
    }
    if (mode == clip_screening_mode) {
        RecordRef at = which;
        uint8_t* e = record_read_at(df, &at, elements_buf());
        if (e && !error_flag) {
            put_u16(e, element_flags, static_cast<uint16_t>(get_u16(e, element_flags) | element_flag_screened));
            elements_buf()->clean = 0;
        }
    }
    return result;
}

}  // namespace

int clip_line_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode) {
    if (!element) return 0;
    std::vector<uint8_t> rec = copy_record(element);
    if (rec.size() < element_size2) return 0;
    Path p{1, {get_point2(rec.data(), element_coords2), get_point2(rec.data(), element_coords2 + 16), {0, 0}}};
    return clip_path(window, rec, p, get_u32(rec.data(), element_points), get_u32(rec.data(), element_points + 4),
                     which, range, mode);
}

int clip_arc_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode) {
    if (!element) return 0;
    std::vector<uint8_t> rec = copy_record(element);
    if (rec.size() < element_size3) return 0;
    Point2 g[3];
    for (int i = 0; i < 3; ++i) g[i] = get_point2(rec.data(), element_coords3 + 16 * static_cast<size_t>(i));
    uint32_t start_no = get_u32(rec.data(), element_points), end_no = get_u32(rec.data(), element_points + 4);
    ArcByCentre arc{g[0], g[1], g[2]};
    if (element_kind(rec.data()) == 4) {
        ArcByPoints ap{g[0], g[1], g[2]};
        if (!arc_by_points_to_centre(&ap, &arc)) {
            // No arc: clipped as the segment from its start to its end.
            std::vector<uint8_t> seg(element_size2, 0);
            std::memcpy(seg.data(), rec.data(), element_head_size);
            put_u16(seg.data(), record_length, element_size2);
            put_u16(seg.data(), element_flags,
                    static_cast<uint16_t>((get_u16(rec.data(), element_flags) & ~element_flag_kind) | 1));
            put_u32(seg.data(), element_points, start_no);
            put_u32(seg.data(), element_points + 4, end_no);
            put_point2(seg.data(), element_coords2, g[0]);
            put_point2(seg.data(), element_coords2 + 16, g[1]);
            Path p{1, {g[0], g[1], {0, 0}}};
            return clip_path(window, seg, p, start_no, end_no, which, range, mode);
        }
        // Turned round: the point numbers follow their points.
        if (!points_equal(arc.start.x, arc.start.y, g[0].x, g[0].y)) std::swap(start_no, end_no);
    }
    Path p{3, {arc.start, arc.end, arc.centre}};
    return clip_path(window, rec, p, start_no, end_no, which, range, mode);
}

void circle_to_arc_record(const uint8_t* circle, uint8_t* out) {
    std::memset(out, 0, element_size3);
    put_u16(out, record_length, element_size3);
    put_u32(out, element_number, get_u32(circle, element_number));
    put_u16(out, element_level, get_u16(circle, element_level));
    put_u16(out, element_fragment, get_u16(circle, element_fragment));
    uint16_t flags = get_u16(circle, element_flags);
    put_u16(out, element_flags, static_cast<uint16_t>((flags & (0xB7F0)) | 3));
    put_u16(out, element_options, static_cast<uint16_t>(get_u16(circle, element_options) & 0x1FFF));
    uint32_t on = get_u32(circle, element_points), centre = get_u32(circle, element_points + 4);
    put_u32(out, element_points, on);
    put_u32(out, element_points + 4, on);
    put_u32(out, element_points + 8, centre);
    Point2 p = get_point2(circle, element_coords2), c = get_point2(circle, element_coords2 + 16);
    put_point2(out, element_coords3, p);
    put_point2(out, element_coords3 + 16, p);
    put_point2(out, element_coords3 + 32, c);
}

int clip_circle_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode) {
    if (!element || get_u16(element, record_length) < element_size2) return 0;
    uint8_t arc[element_size3];
    circle_to_arc_record(element, arc);
    return clip_arc_to_contours(window, arc, which, range, mode);
}

int clip_curve_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode) {
    if (!element) return 0;
    std::vector<uint8_t> rec = copy_record(element);
    std::vector<CurveVertex> v = curve_vertices_of(rec.data());
    std::vector<std::vector<uint8_t>> uncut;
    int any = 0;
    for (size_t i = 0; i + 1 < v.size(); ++i) {
        std::vector<uint8_t> piece(element_size3, 0);
        std::memcpy(piece.data(), rec.data(), element_head_size);
        put_u16(piece.data(), record_length, element_size3);
        put_u16(piece.data(), element_flags,
                static_cast<uint16_t>((get_u16(rec.data(), element_flags) & ~element_flag_kind) | 4));
        put_u32(piece.data(), element_points, v[i].point_number);
        put_u32(piece.data(), element_points + 4, v[i + 1].point_number);
        put_u32(piece.data(), element_points + 8, 0);
        put_point2(piece.data(), element_coords3, v[i].point);
        put_point2(piece.data(), element_coords3 + 16, v[i + 1].point);
        put_point2(piece.data(), element_coords3 + 32, v[i].through);
        int r = clip_arc_to_contours(window, piece.data(), which, range, mode);
        if (error_flag) return any;
        if (r) any = 1;
        else uncut.push_back(piece);
    }
    if (any && mode == clip_screening_mode && window && window->projection) {
        DrawingFile* df = current_drawing_file();
        for (std::vector<uint8_t>& piece : uncut) {
            put_u16(piece.data(), element_flags,
                    static_cast<uint16_t>((get_u16(piece.data(), element_flags) & ~(element_flag_screen_piece |
                                                                                    element_flag_screened)) |
                                          0x1000));
            if (!record_add(df, projection_chain(window->projection, projection_elements), piece.data(), elements_buf()) ||
                error_flag) {
                error_flag = 1;
                return any;
            }
        }
    }
    return any;
}

uint8_t* build_contour_around_annotation(const uint8_t* annotation, RecordRef annotation_ref) {
    if (!annotation) return nullptr;
    Box box;
    if (!annotation_text_box(annotation, &box)) return nullptr;
    const size_t size = contour_members + 16 + 4;
    uint8_t* c = static_cast<uint8_t*>(std::calloc(1, contour_block_size));
    if (!c) {
        contour_report_out_of_memory();
        return nullptr;
    }
    put_u16(c, record_length, static_cast<uint16_t>(size));
    put_box(c, contour_box, box);
    put_i16(c, contour_level, -2);
    put_u16(c, contour_flags, contour_kind_hatch);
    put_i16(c, contour_member_count, 4);
    for (uint32_t i = 0; i < 4; ++i) put_u32(c, contour_members + 4 * i, i + 1);
    put_u32(c, contour_members + 16, annotation_ref);
    free_contour_piece_list();
    Point2 corner[4] = {{box.min_x, box.min_y}, {box.max_x, box.min_y}, {box.max_x, box.max_y}, {box.min_x, box.max_y}};
    ContourPiece* tail = nullptr;
    for (int i = 0; i < 4; ++i) {
        ContourPiece* p = static_cast<ContourPiece*>(std::calloc(1, sizeof(ContourPiece)));
        if (!p) {
            free_contour_piece_list();
            std::free(c);
            contour_report_out_of_memory();
            return nullptr;
        }
        p->number = static_cast<uint32_t>(i + 1);
        p->kind = piece_segment;
        p->g[0] = corner[i];
        p->g[1] = corner[(i + 1) % 4];
        if (tail) tail->next = p;
        else contour_pieces = p;
        tail = p;
    }
    contour_pieces_active = 1;
    return c;
}

void remove_screening_pieces(uint8_t* projection) {
    if (!projection) return;
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_elements);
    RecordRef prev_ref = 0;
    uint8_t* e = record_next(df, head, nullptr, elements_buf());
    while (e && !error_flag) {
        uint16_t flags = get_u16(e, element_flags);
        if (flags & element_flag_screen_piece) {
            record_delete(df, head, record_ref_of(elements_buf(), e), elements_buf());
            if (error_flag) return;
            if (prev_ref) {
                RecordRef at = prev_ref;
                uint8_t* p = record_read_at(df, &at, elements_buf());
                e = p ? record_next(df, head, p, elements_buf()) : nullptr;
            } else {
                e = record_next(df, head, nullptr, elements_buf());
            }
            continue;
        }
        if (flags & element_flag_screened) {
            put_u16(e, element_flags, static_cast<uint16_t>(flags & ~element_flag_screened));
            elements_buf()->clean = 0;
        }
        prev_ref = record_ref_of(elements_buf(), e);
        e = record_next(df, head, e, elements_buf());
    }
}

void rebuild_view_screening(uint8_t* projection) {
    if (!projection || get_u32(projection, projection_contours) == 0 ||
        get_u16(projection, projection_highest_level) == 0)
        return;
    element_index = nullptr;
    if (kernel_projection_window && !kernel_projection_window(projection)) return;
    remove_screening_pieces(projection);
    if (error_flag || get_u32(projection, projection_contours) == 0) return;
    DrawingFile* df = current_drawing_file();
    bool screening = false;
    RecordRef* contours = projection_chain(projection, projection_contours);
    for (uint8_t* c = record_next(df, contours, nullptr, contours_buf()); c && !error_flag;
         c = record_next(df, contours, c, contours_buf())) {
        int kind = contour_kind(c);
        if (kind == 0 || kind == 1) screening = true;
    }
    if (!screening || error_flag) return;
    if (build_contour_array(projection, 1) != 0) return;
    ContourWindow window{projection, nullptr};
    RecordRef* head = projection_chain(projection, projection_elements);
    for (uint8_t* e = record_next(df, head, nullptr, elements_buf()); e && !error_flag;) {
        RecordRef ref = record_ref_of(elements_buf(), e);
        uint16_t flags = get_u16(e, element_flags);
        int kind = flags & element_flag_kind;
        bool take = kind >= 1 && kind <= 5 && !(flags & (0x1000 | 0x2000 | 0x8000)) && !(e[element_options] & 0x04);
        if (take) {
            if (kind == 1) clip_line_to_contours(&window, e, ref, nullptr, clip_screening_mode);
            else if (kind == 2) clip_circle_to_contours(&window, e, ref, nullptr, clip_screening_mode);
            else if (kind == 5) clip_curve_to_contours(&window, e, ref, nullptr, clip_screening_mode);
            else clip_arc_to_contours(&window, e, ref, nullptr, clip_screening_mode);
            if (error_flag) break;
            RecordRef at = ref;
            e = record_read_at(df, &at, elements_buf());
            if (!e) break;
        }
        e = record_next(df, head, e, elements_buf());
    }
    free_contour_array();
}

// Reference points: records, hit test, snapping, re-pointing, creating,
// dropping and deleting points.
#include "stages/points_elements/points.h"

#include <cmath>
#include <cstring>
#include <unordered_set>

#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/metric.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/marking_contours.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/records.h"

namespace {

PageBuffer* point_buffer() { return &page_buffers[table_points]; }
PageBuffer* element_buffer() { return &page_buffers[table_elements]; }
PageBuffer* construction_buffer() { return &page_buffers[table_construction]; }

RecordRef* points_head(unsigned char* projection) { return projection_chain(projection, projection_points); }

void set_changed(unsigned char* projection) {
    uint16_t w = get_u16(projection, projection_flags);
    w = static_cast<uint16_t>((w | projection_word_changed) & ~projection_word_bit12);
    put_u16(projection, projection_flags, w);
}

bool no_auto_construction(const unsigned char* projection) {
    return (get_u16(projection, projection_flags) & projection_word_no_auto) != 0;
}

// Offsets of the point numbers a record lists: the fixed kinds, the
// vertices of a curve, the items of a conventional image.
int element_number_offsets(const unsigned char* rec, std::vector<uint32_t>* out) {
    out->clear();
    if (!element_record_valid(rec)) return 0;
    int kind = element_kind(rec);
    const unsigned char* numbers = nullptr;
    int n = element_point_numbers(rec, &numbers);
    for (int i = 0; i < n; ++i) out->push_back(element_points + 4u * static_cast<uint32_t>(i));
    if (kind == element_kind_curve) {
        int count = static_cast<int16_t>(get_u16(rec, curve_count));
        for (int i = 0; i < count; ++i)
            out->push_back(curve_vertices + curve_vertex_size * static_cast<uint32_t>(i) + curve_vertex_point);
    } else if (kind == element_kind_symbol) {
        int count = get_u16(rec, element_symbol_count);
        for (int i = 0; i < count; ++i)
            out->push_back(element_symbol_items + element_symbol_item_size * static_cast<uint32_t>(i));
    }
    return static_cast<int>(out->size());
}

bool generated(const unsigned char* rec) { return (get_u16(rec, element_flags) & element_flag_screen_piece) != 0; }

Segment line_of(const unsigned char* line) {
    return {{get_f64(line, aux_line_x1), get_f64(line, aux_line_y1)},
            {get_f64(line, aux_line_x2), get_f64(line, aux_line_y2)}};
}

bool is_aux_line(const unsigned char* r) {
    return get_u16(r, record_length) >= aux_line_record_size && r[record_kind] == construction_kind_aux_line;
}

// x on the line at height y (the line is not horizontal).
double x_at(const Segment& s, double y) {
    return s.start.x + (y - s.start.y) * (s.end.x - s.start.x) / (s.end.y - s.start.y);
}
double y_at(const Segment& s, double x) {
    return s.start.y + (x - s.start.x) * (s.end.y - s.start.y) / (s.end.x - s.start.x);
}

bool degenerate(const Segment& s) { return s.start.x == s.end.x && s.start.y == s.end.y; }

// Deletes every record of the chain whose key is `key`.
int delete_records_with_key(DrawingFile* df, RecordRef* head, uint32_t key, PageBuffer* buf) {
    int n = 0;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag;) {
        if (get_u16(r, record_length) >= 6 && get_u32(r, record_key) == key) {
            r = record_delete_and_next(df, head, r, buf);
            ++n;
        } else {
            r = record_next(df, head, r, buf);
        }
    }
    return n;
}

bool element_uses_point(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef cursor = 0;
    return element_next_using_point(df, projection, number, &cursor, nullptr) != nullptr;
}

}  // namespace

void ref_point_init(unsigned char* out, uint32_t number, const double xy[2]) {
    std::memset(out, 0, point_record_size);
    put_u16(out, record_length, point_record_size);
    put_u32(out, point_number, number);
    put_f64(out, point_sketch_x, xy[0]);
    put_f64(out, point_sketch_y, xy[1]);
    put_f64(out, point_true_x, xy[0]);
    put_f64(out, point_true_y, xy[1]);
}

std::vector<PointCopy> points_of_projection(DrawingFile* df, unsigned char* projection) {
    std::vector<PointCopy> out;
    RecordRef* head = points_head(projection);
    PageBuffer* b = point_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) != point_record_size) continue;
        PointCopy p;
        std::memcpy(p.bytes, r, point_record_size);
        out.push_back(p);
    }
    return out;
}

bool point_read(DrawingFile* df, unsigned char* projection, uint32_t number, PointCopy* out) {
    RecordRef from = 0;
    unsigned char* r = record_find_key(df, points_head(projection), number, &from, point_buffer());
    if (!r || get_u16(r, record_length) != point_record_size) return false;
    std::memcpy(out->bytes, r, point_record_size);
    return true;
}

bool point_write(DrawingFile* df, unsigned char* projection, const PointCopy& p) {
    RecordRef from = 0;
    unsigned char* r = record_find_key(df, points_head(projection), p.number(), &from, point_buffer());
    if (!r || get_u16(r, record_length) != point_record_size) return false;
    std::memcpy(r, p.bytes, point_record_size);
    point_buffer()->clean = 0;
    return true;
}

Point2 ref_point_position(const PointContext& ctx, const PointCopy& p) {
    if (ctx.stage <= 3 || ctx.shows_sketch) return p.sketch();
    return p.true_position();
}

RecordRef ref_point_hit_test(const PointContext& ctx, int x, int y, int max_pixels, PointCopy* out) {
    if (!ctx.df || !ctx.projection) return 0;
    Point2 at;
    view_pixel_to_point(&ctx.view, x, y, &at);
    RecordRef* head = points_head(ctx.projection);
    PageBuffer* b = point_buffer();
    double best = 2147483647.0;
    RecordRef pick = 0;
    PointCopy picked{};
    int picked_used = -1;  // unknown until a tie asks
    for (unsigned char* r = record_next(ctx.df, head, nullptr, b); r && !error_flag; r = record_next(ctx.df, head, r, b)) {
        if (get_u16(r, record_length) != point_record_size) continue;
        PointCopy p;
        std::memcpy(p.bytes, r, point_record_size);
        uint16_t f = p.flags();
        if ((f & point_flag_hidden) || (p.flags2() & point_flag2_no_hit)) continue;
        if (ctx.stage >= 2 && ctx.stage <= 4 && (f & point_flag_control)) continue;
        if (ctx.stage == 5 && !(f & point_flag_annotation)) continue;
        Point2 q = ref_point_position(ctx, p);
        double d = view_length_to_pixels_rounded(&ctx.view, std::hypot(q.x - at.x, q.y - at.y));
        if (max_pixels >= 0 && d > max_pixels) continue;
        RecordRef ref = record_ref_of(b, r);
        bool take = false;
        if (!pick || d < best) {
            take = true;
        } else if (d == best) {
            bool p_movable = !(f & point_flag_fixed), k_movable = !(picked.flags() & point_flag_fixed);
            if (p.flags2() & point_flag2_priority) take = true;
            else if (picked.flags2() & point_flag2_priority) take = false;
            else if (ctx.current_point && p.number() == ctx.current_point) take = true;
            else if (ctx.current_point && picked.number() == ctx.current_point) take = false;
            else if (p_movable != k_movable) take = p_movable;
            else {
                // The element walk loads only the element buffer: r stays valid.
                if (picked_used < 0) picked_used = element_uses_point(ctx.df, ctx.projection, picked.number());
                take = !picked_used && element_uses_point(ctx.df, ctx.projection, p.number());
                if (take) picked_used = 1;
            }
            if (take && picked_used != 1) picked_used = -1;
        }
        if (take) {
            if (d < best) picked_used = -1;
            best = d;
            pick = ref;
            picked = p;
        }
    }
    if (error_flag) return 0;
    if (pick && out) *out = picked;
    return pick;
}

unsigned char* element_next_using_point(DrawingFile* df, unsigned char* projection, uint32_t number,
                                        RecordRef* cursor, int* index) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = element_buffer();
    unsigned char* r;
    if (cursor && *cursor) {
        RecordRef at = *cursor;
        r = record_read_at(df, &at, b);
        r = r ? record_next(df, head, r, b) : nullptr;
    } else {
        r = record_next(df, head, nullptr, b);
    }
    std::vector<uint32_t> offsets;
    for (; r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < element_head_size || generated(r)) continue;
        int kind = element_kind(r);
        if (!element_kind_valid(kind) || kind == element_kind_fragment) continue;
        element_number_offsets(r, &offsets);
        for (size_t i = 0; i < offsets.size(); ++i) {
            if (get_u32(r, offsets[i]) != number) continue;
            if (cursor) *cursor = record_ref_of(b, r);
            if (index) *index = static_cast<int>(i);
            return r;
        }
    }
    if (cursor) *cursor = 0;
    return nullptr;
}

void ref_point_snap_to_grid(DrawingFile* df, const unsigned char* projection, PointCopy* p) {
    if (!df || !df->header) return;
    double step[2] = {get_f32(df->header, header_grid_x), get_f32(df->header, header_grid_y)};
    Point2 s = p->sketch();
    if (step[0] != 0 && std::isfinite(step[0])) s.x = std::round(s.x / step[0]) * step[0];
    if (step[1] != 0 && std::isfinite(step[1])) s.y = std::round(s.y / step[1]) * step[1];
    p->set_sketch(s);
    if (no_auto_construction(projection)) p->set_true(s);
}

int ref_point_snap_to_aux_lines(PointContext& ctx, PointCopy* p, bool bind) {
    RecordRef* head = projection_chain(ctx.projection, projection_construction);
    PageBuffer* b = construction_buffer();
    bool on_h = false, on_v = false, on_incl = false;
    Segment incl{};
    int snapped = 0;
    std::vector<uint32_t> anchored;
    for (unsigned char* r = record_next(ctx.df, head, nullptr, b); r && !error_flag; r = record_next(ctx.df, head, r, b)) {
        if (!is_aux_line(r)) continue;
        Segment s = line_of(r);
        if (degenerate(s)) continue;
        Point2 q = p->sketch();
        double d = point_line_distance(&s, q) * ctx.view.scale.x;
        if (!(d < ctx.mark_half_x)) continue;
        int dir = r[construction_flags] & aux_line_direction;
        bool took = false;
        if (dir == 0 && !on_h) {
            if (on_incl && incl.start.y != incl.end.y) q.x = x_at(incl, s.start.y);
            q.y = s.start.y;
            on_h = took = true;
        } else if (dir == 1 && !on_v) {
            if (on_incl && incl.start.x != incl.end.x) q.y = y_at(incl, s.start.x);
            q.x = s.start.x;
            on_v = took = true;
        } else if (dir == 2 && !on_incl) {
            if (on_h && s.start.y != s.end.y) {
                q.x = x_at(s, q.y);
            } else if (on_v && s.start.x != s.end.x) {
                q.y = y_at(s, q.x);
            } else {
                double dx = s.end.x - s.start.x, dy = s.end.y - s.start.y;
                double t = ((q.x - s.start.x) * dx + (q.y - s.start.y) * dy) / (dx * dx + dy * dy);
                q = {s.start.x + t * dx, s.start.y + t * dy};
            }
            incl = s;
            on_incl = took = true;
        }
        if (!took) continue;
        ++snapped;
        p->set_sketch(q);
        if (no_auto_construction(ctx.projection)) p->set_true(q);
        if (bind && (r[construction_flags] & aux_line_anchored)) anchored.push_back(record_ref_of(b, r));
    }
    if (bind) {
        for (RecordRef ref : anchored) {
            RecordRef at = ref;
            unsigned char* line = record_read_at(ctx.df, &at, b);
            if (line && ctx.hooks.bind_to_aux_line) ctx.hooks.bind_to_aux_line(ctx.projection, ref, p->number());
        }
        aux_lines_follow_point(ctx, *p, false);
    }
    return snapped;
}

void aux_lines_follow_point(PointContext& ctx, const PointCopy& p, bool all) {
    RecordRef* head = projection_chain(ctx.projection, projection_construction);
    PageBuffer* b = construction_buffer();
    uint32_t n = p.number();
    Point2 q = p.sketch();
    for (unsigned char* r = record_next(ctx.df, head, nullptr, b); r && !error_flag; r = record_next(ctx.df, head, r, b)) {
        if (!is_aux_line(r)) continue;
        uint8_t f = r[construction_flags];
        if (!all && !(f & aux_line_anchored)) continue;
        bool first = get_u32(r, aux_line_anchor1) == n;
        bool second = !first && get_u32(r, aux_line_anchor2) == n;
        if (!first && !second) continue;
        int dir = f & aux_line_direction;
        if (dir == 0 || dir == 1) {
            put_f64(r, aux_line_x1, q.x);
            put_f64(r, aux_line_y1, q.y);
            put_f64(r, aux_line_x2, q.x + (dir == 0 ? 1 : 0));
            put_f64(r, aux_line_y2, q.y + (dir == 1 ? 1 : 0));
        } else if (first) {
            put_f64(r, aux_line_x1, q.x);
            put_f64(r, aux_line_y1, q.y);
        } else {
            put_f64(r, aux_line_x2, q.x);
            put_f64(r, aux_line_y2, q.y);
        }
        b->clean = 0;
    }
}

int point_references_replace(PointContext& ctx, uint32_t old_number, uint32_t new_number) {
    int changed = 0;
    std::vector<uint32_t> offsets;
    RecordRef* eh = projection_chain(ctx.projection, projection_elements);
    PageBuffer* eb = element_buffer();
    for (unsigned char* r = record_next(ctx.df, eh, nullptr, eb); r && !error_flag; r = record_next(ctx.df, eh, r, eb)) {
        bool hit = false;
        element_number_offsets(r, &offsets);
        for (uint32_t off : offsets) {
            if (get_u32(r, off) != old_number) continue;
            put_u32(r, off, new_number);
            hit = true;
        }
        if (hit) {
            eb->clean = 0;
            ++changed;
        }
    }
    RecordRef* dh = projection_chain(ctx.projection, projection_dimensions);
    PageBuffer* db = &page_buffers[table_dimensions];
    for (unsigned char* r = record_next(ctx.df, dh, nullptr, db); r && !error_flag; r = record_next(ctx.df, dh, r, db)) {
        if (get_u16(r, record_length) < dimension_axis_point2 + 4) continue;
        bool hit = false;
        for (uint32_t off : {static_cast<uint32_t>(dimension_axis_point1), static_cast<uint32_t>(dimension_axis_point2)}) {
            if (get_u32(r, off) != old_number) continue;
            put_u32(r, off, new_number);
            hit = true;
        }
        if (hit) {
            db->clean = 0;
            ++changed;
        }
    }
    RecordRef* lh = projection_chain(ctx.projection, projection_links);
    PageBuffer* lb = &page_buffers[table_links];
    for (unsigned char* r = record_next(ctx.df, lh, nullptr, lb); r && !error_flag; r = record_next(ctx.df, lh, r, lb)) {
        if (get_u16(r, record_length) < link_point + 4 || get_u32(r, link_point) != old_number) continue;
        put_u32(r, link_point, new_number);
        lb->clean = 0;
        ++changed;
    }
    return changed;
}

bool point_has_dimension_links(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* lh = projection_chain(projection, projection_links);
    PageBuffer* lb = &page_buffers[table_links];
    for (unsigned char* r = record_next(df, lh, nullptr, lb); r && !error_flag; r = record_next(df, lh, r, lb))
        if (get_u16(r, record_length) >= link_point + 4 && get_u32(r, link_point) == number) return true;
    return false;
}

int ref_point_drop_dimension_links(PointContext& ctx, uint32_t number) {
    RecordRef* lh = projection_chain(ctx.projection, projection_links);
    PageBuffer* lb = &page_buffers[table_links];
    std::vector<uint32_t> dimensions;
    for (unsigned char* r = record_next(ctx.df, lh, nullptr, lb); r && !error_flag;) {
        if (get_u16(r, record_length) >= link_dimension + 4 && get_u32(r, link_point) == number) {
            dimensions.push_back(get_u32(r, link_dimension));
            r = record_delete_and_next(ctx.df, lh, r, lb);
        } else {
            r = record_next(ctx.df, lh, r, lb);
        }
    }
    if (error_flag) return -1;
    for (uint32_t d : dimensions)
        if (ctx.hooks.recheck_dimension) ctx.hooks.recheck_dimension(ctx.projection, d);
    PointCopy p;
    if (point_read(ctx.df, ctx.projection, number, &p)) {
        p.set_flags(static_cast<uint16_t>(p.flags() & ~point_flag_state));
        point_write(ctx.df, ctx.projection, p);
    }
    set_changed(ctx.projection);
    return static_cast<int>(dimensions.size());
}

RecordRef ref_point_create(PointContext& ctx, int x, int y, bool control, uint32_t* number) {
    if (number) *number = 0;
    if (!ctx.df || !ctx.projection || !ctx.df->header) return 0;
    Point2 at;
    view_pixel_to_point(&ctx.view, x, y, &at);
    if (!control) {
        for (const PointCopy& p : points_of_projection(ctx.df, ctx.projection)) {
            if (p.flags() & point_flag_hidden) continue;
            Point2 q = ref_point_position(ctx, p);
            int dx = view_x_to_pixel(&ctx.view, q.x) - x;
            int dy = view_y_to_pixel(&ctx.view, q.y) - y;
            if (std::abs(dx) <= ctx.mark_half_x && std::abs(dy) <= ctx.mark_half_y) return 0;
        }
        if (error_flag) return 0;
    }
    uint32_t n = point_number_alloc();
    if (!n) return 0;
    PointCopy p;
    double xy[2] = {at.x, at.y};
    ref_point_init(p.bytes, n, xy);
    uint16_t pw = get_u16(ctx.projection, projection_flags);
    int controls = (pw & projection_word_control_count) >> 5;
    if (control && controls < 2) {
        p.set_flags(point_flag_control);
        pw = static_cast<uint16_t>((pw & ~projection_word_control_count) | ((controls + 1) << 5));
        put_u16(ctx.projection, projection_flags, pw);
    } else {
        if (get_u16(ctx.df->header, header_options) & header_opt_point_numbers) p.set_flags(point_flag_show_number);
        ref_point_snap_to_grid(ctx.df, ctx.projection, &p);
        ref_point_snap_to_aux_lines(ctx, &p, false);
        p.set_true(p.sketch());
    }
    RecordRef ref = record_add(ctx.df, points_head(ctx.projection), p.bytes, point_buffer());
    if (!ref || error_flag) {
        point_number_release(n);
        return 0;
    }
    projection_extend_frame_to_point(ctx.projection, p.bytes);
    set_changed(ctx.projection);
    if (number) *number = n;
    return ref;
}

RecordRef ref_point_take_or_create(PointContext& ctx, int x, int y, int max_pixels, PointCopy* out, bool* created) {
    if (created) *created = false;
    PointCopy p;
    if (RecordRef ref = ref_point_hit_test(ctx, x, y, max_pixels, &p)) {
        if (out) *out = p;
        return ref;
    }
    if (error_flag) return 0;
    uint32_t number = 0;
    RecordRef ref = ref_point_create(ctx, x, y, false, &number);
    if (!ref || !number || !point_read(ctx.df, ctx.projection, number, &p)) return 0;
    if (out) *out = p;
    if (created) *created = true;
    return ref;
}

namespace {

// Elements and dimensions whose points became one after a merge: a line,
// circle or arc with two equal point numbers, a dimension from a point to
// itself.  They are deleted (they no longer describe anything); the
// element numbers go back to the pool.
void delete_collapsed(PointContext& ctx, uint32_t number) {
    RecordRef* eh = projection_chain(ctx.projection, projection_elements);
    PageBuffer* eb = element_buffer();
    std::vector<uint32_t> doomed;
    std::vector<uint32_t> offsets;
    for (unsigned char* r = record_next(ctx.df, eh, nullptr, eb); r && !error_flag; r = record_next(ctx.df, eh, r, eb)) {
        if (generated(r)) continue;
        int kind = element_kind(r);
        if (kind == element_kind_curve || kind == element_kind_symbol) continue;
        element_number_offsets(r, &offsets);
        int uses = 0;
        for (uint32_t off : offsets) uses += get_u32(r, off) == number;
        if (uses >= 2) doomed.push_back(get_u32(r, element_number));
    }
    for (uint32_t e : doomed) {
        delete_records_with_key(ctx.df, eh, e, eb);
        element_number_release(e);
    }
    RecordRef* dh = projection_chain(ctx.projection, projection_dimensions);
    PageBuffer* db = &page_buffers[table_dimensions];
    std::vector<uint32_t> dims;
    for (unsigned char* r = record_next(ctx.df, dh, nullptr, db); r && !error_flag;) {
        if (get_u16(r, record_length) >= dimension_axis_point2 + 4 && get_u32(r, dimension_axis_point1) == number &&
            get_u32(r, dimension_axis_point2) == number) {
            dims.push_back(get_u32(r, dimension_number));
            r = record_delete_and_next(ctx.df, dh, r, db);
        } else {
            r = record_next(ctx.df, dh, r, db);
        }
    }
    RecordRef* lh = projection_chain(ctx.projection, projection_links);
    PageBuffer* lb = &page_buffers[table_links];
    std::unordered_set<uint32_t> gone(dims.begin(), dims.end());
    for (unsigned char* r = record_next(ctx.df, lh, nullptr, lb); r && !error_flag && !gone.empty();) {
        if (get_u16(r, record_length) >= link_dimension + 4 && gone.count(get_u32(r, link_dimension)))
            r = record_delete_and_next(ctx.df, lh, r, lb);
        else
            r = record_next(ctx.df, lh, r, lb);
    }
}

void move_stored_lines(PointContext& ctx, Point2 delta) {
    RecordRef* eh = projection_chain(ctx.projection, projection_elements);
    PageBuffer* eb = element_buffer();
    for (unsigned char* r = record_next(ctx.df, eh, nullptr, eb); r && !error_flag; r = record_next(ctx.df, eh, r, eb)) {
        if (!element_record_valid(r)) continue;
        int kind = element_kind(r);
        auto shift = [&](uint32_t off) {
            put_f64(r, off, get_f64(r, off) + delta.x);
            put_f64(r, off + 8, get_f64(r, off + 8) + delta.y);
        };
        if (kind == element_kind_segment) {
            shift(element_coords2);
            shift(element_coords2 + 16);
        } else if (kind == element_kind_curve) {
            int n = static_cast<int16_t>(get_u16(r, curve_count));
            uint32_t len = get_u16(r, record_length);
            for (int i = 0; i < n; ++i) {
                uint32_t v = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
                shift(v + curve_vertex_x);
                if (v + curve_vertex_through_y + 8 <= len) shift(v + curve_vertex_through_x);
            }
        } else {
            continue;
        }
        eb->clean = 0;
    }
}

}  // namespace

int ref_point_drop(PointContext& ctx, uint32_t number, Point2 start, const DropOptions& options) {
    if (!ctx.df || !ctx.projection) return -1;
    PointCopy p;
    if (!point_read(ctx.df, ctx.projection, number, &p)) return -1;
    // The old links go first: a binding the snapping makes stays.
    if (!options.ctrl && options.drop_links && point_has_dimension_links(ctx.df, ctx.projection, number)) {
        if (ref_point_drop_dimension_links(ctx, number) < 0) return -1;
        if (!point_read(ctx.df, ctx.projection, number, &p)) return -1;
    }
    if (options.grid && !(p.flags() & point_flag_control)) ref_point_snap_to_grid(ctx.df, ctx.projection, &p);
    p.set_true(p.sketch());
    if (!point_write(ctx.df, ctx.projection, p)) return -1;
    ref_point_snap_to_aux_lines(ctx, &p, true);
    if (!point_write(ctx.df, ctx.projection, p)) return -1;
    Point2 now = p.sketch();
    Point2 delta = {now.x - start.x, now.y - start.y};
    int px = view_x_to_pixel(&ctx.view, now.x), py = view_y_to_pixel(&ctx.view, now.y);

    std::vector<PointCopy> same_pixel;
    for (PointCopy q : points_of_projection(ctx.df, ctx.projection)) {
        if (q.number() == number) continue;
        bool excluded = (q.flags2() & (point_flag2_hidden_a | point_flag2_no_hit)) != 0;
        if (!options.ctrl || excluded) {
            if (q.flags() & point_flag_hidden) continue;
            Point2 s = q.sketch();
            if (view_x_to_pixel(&ctx.view, s.x) == px && view_y_to_pixel(&ctx.view, s.y) == py) same_pixel.push_back(q);
        } else {
            Point2 s = q.sketch(), t = q.true_position();
            q.set_sketch({s.x + delta.x, s.y + delta.y});
            q.set_true({t.x + delta.x, t.y + delta.y});
            point_write(ctx.df, ctx.projection, q);
            aux_lines_follow_point(ctx, q, false);
        }
    }
    if (error_flag) return -1;
    int merged = 0;
    if (!same_pixel.empty() && (!ctx.hooks.ask || ctx.hooks.ask(8))) {
        int state = p.flags() & point_flag_state;
        RecordRef* head = points_head(ctx.projection);
        for (const PointCopy& q : same_pixel) {
            int qs = q.flags() & point_flag_state;
            if (qs > state) state = qs;
            point_references_replace(ctx, q.number(), number);
            delete_records_with_key(ctx.df, head, q.number(), point_buffer());
            if (error_flag) return -1;
            point_number_release(q.number());
            ++merged;
        }
        delete_collapsed(ctx, number);
        if (!point_read(ctx.df, ctx.projection, number, &p)) return -1;
        put_u16(p.bytes, point_fragment, 0);
        p.set_flags(static_cast<uint16_t>((p.flags() & ~(point_flag_marks | point_flag_state)) | state));
    }
    if (options.ctrl && no_auto_construction(ctx.projection)) move_stored_lines(ctx, delta);
    p.set_flags(static_cast<uint16_t>(p.flags() & ~point_flag_big_mark));
    point_write(ctx.df, ctx.projection, p);
    set_changed(ctx.projection);
    if (ctx.hooks.rebuild) ctx.hooks.rebuild(ctx.projection, merged || options.ctrl ? 0 : number);
    projection_extend_frame_to_point(ctx.projection, p.bytes);
    return error_flag ? -1 : merged;
}

int ref_point_delete(PointContext& ctx, uint32_t number) {
    if (!ctx.df || !ctx.projection) return -1;
    PointCopy p;
    if (!point_read(ctx.df, ctx.projection, number, &p)) return -1;
    // Both questions before anything changes: either No keeps the point
    // with everything that uses it.
    bool links = point_has_dimension_links(ctx.df, ctx.projection, number);
    if (links && ctx.hooks.ask && !ctx.hooks.ask(10)) return 0;
    bool used = element_uses_point(ctx.df, ctx.projection, number);
    if (used && ctx.hooks.ask && !ctx.hooks.ask(11)) return 0;
    if (ctx.hooks.checkpoint) ctx.hooks.checkpoint(number);
    if (links && ref_point_drop_dimension_links(ctx, number) < 0) return -1;
    if (used) {
        // Every element that lists the point is marked, and only those.
        RecordRef* eh = projection_chain(ctx.projection, projection_elements);
        PageBuffer* eb = element_buffer();
        std::unordered_set<uint32_t> users;
        RecordRef cursor = 0;
        for (unsigned char* r = element_next_using_point(ctx.df, ctx.projection, number, &cursor, nullptr); r;
             r = element_next_using_point(ctx.df, ctx.projection, number, &cursor, nullptr))
            users.insert(get_u32(r, element_number));
        for (unsigned char* r = record_next(ctx.df, eh, nullptr, eb); r && !error_flag; r = record_next(ctx.df, eh, r, eb)) {
            if (get_u16(r, record_length) < element_head_size) continue;
            uint16_t f = get_u16(r, element_flags);
            uint16_t nf = users.count(get_u32(r, element_number)) ? static_cast<uint16_t>(f | element_flag_marked)
                                                                   : static_cast<uint16_t>(f & ~element_flag_marked);
            if (nf != f) {
                put_u16(r, element_flags, nf);
                eb->clean = 0;
            }
        }
        if (error_flag) return -1;
        unsigned char* projection = ctx.projection;
        delete_marked_elements(ctx.df, &projection, false, DeletionHooks{});
        if (error_flag) return -1;
    }
    if (p.flags() & point_flag_control) {
        uint16_t pw = get_u16(ctx.projection, projection_flags);
        int controls = (pw & projection_word_control_count) >> 5;
        if (controls > 0) --controls;
        put_u16(ctx.projection, projection_flags,
                static_cast<uint16_t>((pw & ~projection_word_control_count) | (controls << 5)));
    }
    RecordRef* ch = projection_chain(ctx.projection, projection_construction);
    PageBuffer* cb = construction_buffer();
    for (unsigned char* r = record_next(ctx.df, ch, nullptr, cb); r && !error_flag; r = record_next(ctx.df, ch, r, cb)) {
        if (!is_aux_line(r) || !(r[construction_flags] & aux_line_anchored)) continue;
        if (get_u32(r, aux_line_anchor1) != number && get_u32(r, aux_line_anchor2) != number) continue;
        r[construction_flags] = static_cast<uint8_t>(r[construction_flags] & ~aux_line_anchored);
        put_u32(r, aux_line_anchor1, 0);
        put_u32(r, aux_line_anchor2, 0);
        cb->clean = 0;
    }
    if (delete_records_with_key(ctx.df, points_head(ctx.projection), number, point_buffer()) <= 0 || error_flag)
        return -1;
    point_number_release(number);
    set_changed(ctx.projection);
    return 1;
}

int projection_snap_points_to_grid(PointContext& ctx) {
    int moved = 0;
    for (PointCopy p : points_of_projection(ctx.df, ctx.projection)) {
        if (p.flags() & point_flag_control) continue;
        Point2 before = p.sketch();
        ref_point_snap_to_grid(ctx.df, ctx.projection, &p);
        Point2 after = p.sketch();
        if (before.x == after.x && before.y == after.y) continue;
        point_write(ctx.df, ctx.projection, p);
        aux_lines_follow_point(ctx, p, false);
        ++moved;
    }
    if (moved) set_changed(ctx.projection);
    return moved;
}

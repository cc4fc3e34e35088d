// Rebuilding graphic elements from their reference points.
#include "stages/points_elements/element_rebuild.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "base/program_messages.h"
#include "geometry/curve_images.h"
#include "geometry/curves.h"
#include "geometry/extents.h"
#include "stages/points_elements/element_fillets.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/thread_lines.h"
#include "stages/points_elements/view_break.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

PageBuffer* element_buffer() { return &page_buffers[table_elements]; }
PageBuffer* point_buffer() { return &page_buffers[table_points]; }

struct PointPlace {
    Point2 at;
    bool same;  // sketch and true position exactly equal
};

// The projection's reference points by number, sketch or true positions.
// Points flagged as left out of every index (flags 0x20 with flags2 0x20)
// are left out here too.
bool collect_points(DrawingFile* df, unsigned char* projection, bool use_true,
                    std::unordered_map<uint32_t, PointPlace>* out) {
    RecordRef* head = projection_chain(projection, projection_points);
    if (!head) return false;
    PageBuffer* b = point_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) != point_record_size) continue;
        if ((get_u16(r, point_flags) & 0x20) && (r[point_flags2] & 0x20)) continue;
        PointPlace p;
        p.at = use_true ? get_point2(r, point_true_x) : get_point2(r, point_sketch_x);
        p.same = std::memcmp(r + point_sketch_x, r + point_true_x, 16) == 0;
        (*out)[get_u32(r, point_number)] = p;
    }
    return !error_flag;
}

bool is_generated(const unsigned char* r) {
    uint16_t f = get_u16(r, element_flags), o = get_u16(r, element_options);
    return (f & (element_flag_generated | element_flag_screen_piece)) || (o & (element_opt_image | element_opt_bar_outline));
}

bool has_curve_image(int kind) {
    return kind == element_kind_wavy || kind == element_kind_elliptic_arc || kind == element_kind_ellipse ||
           kind == element_kind_bezier;
}

void build_image(unsigned char* projection, int kind, uint32_t number) {
    if (kind == element_kind_bezier) build_bezier_image(projection, number, 1);
    else if (kind == element_kind_wavy) build_wavy_line_image(projection, number, 1);
    else build_ellipse_image(projection, number, 1);
}

// Recomputes the through points of a curve record in place.
void smooth_curve_record(unsigned char* r) {
    int n = get_i16(r, curve_count);
    if (n < 2 || n > 64) return;
    CurveVertex v[64];
    for (int i = 0; i < n; ++i) v[i] = element_curve_vertex(r, i);
    uint16_t o = get_u16(r, element_options);
    smooth_curve_through_points(v, n, (o & element_opt_closed) ? 1 : 0, (o & element_opt_three_point) ? 1 : 0);
    uint32_t len = get_u16(r, record_length);
    for (int i = 0; i < n; ++i) {
        uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
        put_u32(r, at + curve_vertex_point, v[i].point_number);
        put_point2(r, at + curve_vertex_x, v[i].point);
        // The last vertex of a user curve has no through point stored.
        if (at + curve_vertex_size <= len) put_point2(r, at + curve_vertex_through_x, v[i].through);
    }
}

void set_point_flag(DrawingFile* df, unsigned char* projection, uint32_t number, uint16_t bit) {
    RecordRef* head = projection_chain(projection, projection_points);
    RecordRef from = 0;
    unsigned char* p = record_find_key(df, head, number, &from, point_buffer());
    if (!p || get_u16(p, record_length) != point_record_size) return;
    if (get_u16(p, point_flags) & bit) return;
    put_u16(p, point_flags, static_cast<uint16_t>(get_u16(p, point_flags) | bit));
    point_buffer()->clean = 0;
}

void set_point_position(DrawingFile* df, unsigned char* projection, uint32_t number, Point2 at) {
    RecordRef* head = projection_chain(projection, projection_points);
    RecordRef from = 0;
    unsigned char* p = record_find_key(df, head, number, &from, point_buffer());
    if (!p || get_u16(p, record_length) != point_record_size) return;
    put_point2(p, point_sketch_x, at);
    put_point2(p, point_true_x, at);
    point_buffer()->clean = 0;
}

void report_lost_point(const RebuildHooks& hooks, const unsigned char* projection, uint32_t point,
                       uint32_t element) {
    static char detail[300];
    static char text[160];
    const char* caption = hooks.caption ? hooks.caption(projection) : "";
    std::snprintf(detail, sizeof detail, "%s\nЭлемент будет помечен", caption ? caption : "");
    std::snprintf(text, sizeof text, "Потерялась точка %u для элемента %u на проекции", static_cast<unsigned>(point),
                  static_cast<unsigned>(element));
    error_stack_push(detail);
    if (hooks.message) {
        hooks.message(text);
        error_stack_clear();
    } else {
        show_program_message(text);
    }
}

struct PendingPoint {
    uint32_t number;
    Point2 at;
};

}  // namespace

void delete_collected_records(DrawingFile* df, RecordRef* head, const std::vector<RecordRef>& refs,
                              PageBuffer* buf) {
    if (refs.empty()) return;
    std::unordered_set<RecordRef> doomed(refs.begin(), refs.end());
    // Walk once, deleting through the store's walking rule.  A deletion moves
    // the later records of its page down, so a record's reference as it was
    // collected is its place now plus the bytes deleted before it on its page.
    uint32_t page = 0, shift = 0;
    error_flag = 0;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag && !doomed.empty();) {
        RecordRef now = record_ref_of(buf, r);
        if ((now & page_address_mask) != page) {
            page = now & page_address_mask;
            shift = 0;
        }
        RecordRef was = now + shift;
        if (doomed.erase(was)) {
            shift += get_u16(r, record_length);
            r = record_delete_and_next(df, head, r, buf);
        } else {
            r = record_next(df, head, r, buf);
        }
    }
}

bool carry_control_points(const Point2 old_points[4], Point2 now[4]) {
    auto moved = [](Point2 a, Point2 b) { return a.x != b.x || a.y != b.y; };
    if (!(moved(old_points[0], now[0]) && moved(old_points[1], now[1]))) return false;
    if (moved(old_points[2], now[2]) || moved(old_points[3], now[3])) return false;
    double ox = old_points[1].x - old_points[0].x, oy = old_points[1].y - old_points[0].y;
    double nx = now[1].x - now[0].x, ny = now[1].y - now[0].y;
    double old_len = std::hypot(ox, oy);
    if (old_len == 0) return false;
    double scale = std::hypot(nx, ny) / old_len;
    double angle = std::atan2(ny, nx) - std::atan2(oy, ox);
    double c = std::cos(angle), s = std::sin(angle);
    if (std::fabs(angle) < 1e-12 && std::fabs(scale - 1) < 1e-12) return false;
    for (int k = 2; k < 4; ++k) {
        double dx = old_points[k].x - old_points[0].x, dy = old_points[k].y - old_points[0].y;
        now[k].x = now[0].x + scale * (c * dx - s * dy);
        now[k].y = now[0].y + scale * (s * dx + c * dy);
    }
    return true;
}

int rebuild_projection_elements(DrawingFile* df, unsigned char* projection, bool full, const RebuildHooks& hooks,
                                bool incremental) {
    error_flag = 0;
    if (!df || !projection) return rebuild_failed;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* eb = element_buffer();
    uint16_t pflags = get_u16(projection, projection_flags);
    if (incremental && (pflags & 0x0400)) return rebuild_ok;

    // 1-2. Generated records and bar outlines go; the screening mark is cleared.
    std::vector<RecordRef> doomed;
    bool fillet_deleted = false;
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag; r = record_next(df, head, r, eb)) {
        if (get_u16(r, record_length) < element_head_size) continue;
        uint16_t f = get_u16(r, element_flags);
        if (f & element_flag_screened) {
            put_u16(r, element_flags, static_cast<uint16_t>(f & ~element_flag_screened));
            eb->clean = 0;
        }
        if (is_generated(r)) {
            if (f & element_flag_generated) fillet_deleted = true;
            doomed.push_back(record_ref_of(eb, r));
        }
    }
    if (error_flag) return rebuild_failed;
    delete_collected_records(df, head, doomed, eb);
    if (error_flag) return rebuild_failed;

    // 3. The points.
    std::unordered_map<uint32_t, PointPlace> points;
    if (!collect_points(df, projection, full, &points)) return rebuild_failed;

    // 4. A stage switch that changes no position refreshes nothing.
    bool refresh = true;
    if (incremental && !fillet_deleted) {
        bool all_same = true;
        for (const auto& p : points) all_same = all_same && p.second.same;
        refresh = !all_same;
    }

    // 5. Coordinates from the points.
    std::vector<std::pair<int, uint32_t>> images;   // kind, number
    std::vector<uint32_t> centres;
    std::vector<PendingPoint> carried;
    uint32_t lost_point = 0, lost_element = 0;
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag; r = record_next(df, head, r, eb)) {
        if (!element_record_valid(r)) continue;
        uint16_t o = get_u16(r, element_options);
        if (o & element_opt_transient) {
            put_u16(r, element_options, static_cast<uint16_t>(o & ~element_opt_transient));
            eb->clean = 0;
        }
        int kind = element_kind(r);
        uint16_t f = get_u16(r, element_flags);
        uint32_t number = get_u32(r, element_number);
        if (has_curve_image(kind)) images.push_back({kind, number});
        if (!refresh) continue;
        if (f & (element_flag_screen_piece | element_flag_purge)) continue;
        if ((o & element_opt_keep_coords) && kind != element_kind_segment) continue;
        ElementPointPlace slots[64];
        int n = element_point_places(r, slots, 64);
        Point2 old4[4] = {}, new4[4] = {};
        bool lost = false, moved = false;
        for (int i = 0; i < n; ++i) {
            if (!slots[i].number) continue;
            auto it = points.find(slots[i].number);
            Point2 before = get_point2(r, slots[i].coords);
            if (it == points.end()) {
                if (!lost_point) {
                    lost_point = slots[i].number;
                    lost_element = number;
                }
                lost = true;
                continue;
            }
            Point2 now = it->second.at;
            if (before.x != now.x || before.y != now.y) moved = true;
            if (i < 4) {
                old4[i] = before;
                new4[i] = now;
            }
            put_point2(r, slots[i].coords, now);
        }
        eb->clean = 0;
        if (lost) {
            put_u16(r, element_flags, static_cast<uint16_t>(get_u16(r, element_flags) | element_flag_marked));
            continue;
        }
        if (kind == element_kind_circle) centres.push_back(get_u32(r, element_points + 4));
        if (kind == element_kind_arc_centre) centres.push_back(get_u32(r, element_points + 8));
        if (kind == element_kind_curve) smooth_curve_record(r);
        bool four_point_image = kind == element_kind_symbol && n == 4;
        if (four_point_image && moved) {
            if (hooks.stage == 1 && !hooks.hold_control_points && carry_control_points(old4, new4)) {
                for (int k = 2; k < 4; ++k) {
                    put_point2(r, slots[k].coords, new4[k]);
                    carried.push_back({slots[k].number, new4[k]});
                }
            }
            if (hooks.picture_changed) hooks.picture_changed(projection, number);
        }
        if (kind == element_kind_bezier && (hooks.stage == 1 || full) && !hooks.hold_control_points &&
            carry_control_points(old4, new4)) {
            for (int k = 2; k < 4; ++k) {
                put_point2(r, slots[k].coords, new4[k]);
                carried.push_back({slots[k].number, new4[k]});
            }
        }
    }
    if (error_flag) return rebuild_failed;
    for (uint32_t c : centres) set_point_flag(df, projection, c, 0x0010);
    for (const PendingPoint& p : carried) {
        set_point_position(df, projection, p.number, p.at);
        if (hooks.remeasure) hooks.remeasure(projection, p.number);
    }
    if (error_flag) return rebuild_failed;

    // 6. Curve images.
    for (const auto& im : images) {
        build_image(projection, im.first, im.second);
        if (error_flag) return rebuild_failed;
    }
    // The view breaks are laid out on the refreshed coordinates.
    if (get_u16(projection, projection_flags) & projection_word_has_break) {
        ViewBreakHooks breaks;
        breaks.message = hooks.message;
        breaks.caption = hooks.caption;
        view_break_apply(df, projection, breaks);
        error_flag = 0;
    }
    // 7. Dimension directions belong to the dimension network; the fillets
    // of the true view are made here.
    if (hooks.dimensions) hooks.dimensions(projection, full);
    if (full && hooks.stage >= 5) {
        int failed = fillets_build(df, projection);
        if (hooks.fillets_failed) *hooks.fillets_failed = failed;
    }
    // 8. Bar outlines belong to the bars; then the thread lines are laid
    // to the outline.
    if (hooks.bars) hooks.bars(projection);
    if (error_flag) return rebuild_failed;
    if (thread_lines_trim(df, projection) < 0) return rebuild_failed;
    // 10. The extents of the contours follow their members.
    if (get_u32(projection, projection_contours)) projection_compute_contour_extents(projection);
    if (error_flag) return rebuild_failed;
    if (lost_point) {
        report_lost_point(hooks, projection, lost_point, lost_element);
        return rebuild_lost_point;
    }
    return rebuild_ok;
}

void element_usage_build(DrawingFile* df, unsigned char* projection, ElementUsage* usage) {
    usage->users.clear();
    usage->valid = false;
    RecordRef* head = projection_chain(projection, projection_elements);
    if (!df || !head) return;
    usage->head = get_u32(head, 0);
    PageBuffer* eb = element_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, eb); r && !error_flag; r = record_next(df, head, r, eb)) {
        if (!element_record_valid(r) || is_generated(r)) continue;
        if (get_u16(r, element_flags) & (element_flag_screen_piece | element_flag_purge)) continue;
        ElementPointPlace slots[64];
        int n = element_point_places(r, slots, 64);
        RecordRef ref = record_ref_of(eb, r);
        for (int i = 0; i < n; ++i) {
            if (!slots[i].number) continue;
            std::vector<RecordRef>& v = usage->users[slots[i].number];
            if (v.empty() || v.back() != ref) v.push_back(ref);
        }
    }
    usage->valid = !error_flag;
}

int rebuild_elements_of_point(DrawingFile* df, unsigned char* projection, uint32_t number, Point2 at,
                              ElementUsage* usage, std::vector<uint32_t>* pictures) {
    if (!df || !projection) return -1;
    ElementUsage local;
    ElementUsage* u = usage ? usage : &local;
    RecordRef* head = projection_chain(projection, projection_elements);
    if (!head) return -1;
    if (!u->valid || u->head != get_u32(head, 0)) element_usage_build(df, projection, u);
    if (error_flag) return -1;
    auto it = u->users.find(number);
    if (it == u->users.end()) return 0;
    PageBuffer* eb = element_buffer();
    std::vector<std::pair<int, uint32_t>> images;
    int changed = 0;
    for (RecordRef ref : it->second) {
        RecordRef r_at = ref;
        unsigned char* r = record_read_at(df, &r_at, eb);
        if (!r || error_flag) return -1;
        if (!element_record_valid(r)) continue;
        int kind = element_kind(r);
        if ((get_u16(r, element_options) & element_opt_keep_coords) && kind != element_kind_segment) continue;
        ElementPointPlace slots[64];
        int n = element_point_places(r, slots, 64);
        bool hit = false, moved = false;
        for (int i = 0; i < n; ++i) {
            if (slots[i].number != number) continue;
            const Point2 before = get_point2(r, slots[i].coords);
            if (before.x != at.x || before.y != at.y) moved = true;
            put_point2(r, slots[i].coords, at);
            hit = true;
        }
        if (!hit) continue;
        if (pictures && moved && kind == element_kind_symbol && n == 4) pictures->push_back(get_u32(r, element_number));
        eb->clean = 0;
        ++changed;
        if (kind == element_kind_curve) smooth_curve_record(r);
        if (has_curve_image(kind)) images.push_back({kind, get_u32(r, element_number)});
    }
    if (!images.empty()) {
        for (const auto& im : images) build_image(projection, im.first, im.second);
        // The images were deleted and added again: the kept references of
        // their pages no longer hold.
        u->valid = false;
    }
    return error_flag ? -1 : changed;
}

bool projection_needs_rebuild(bool changed, int previous_stage, int current_stage) {
    if (changed) return true;
    if (previous_stage == 4) return true;
    return (previous_stage <= 3) != (current_stage <= 3);
}

int rebuild_changed_projections_of(DrawingFile* df, bool full, int previous_stage, int current_stage,
                                   const RebuildHooks& hooks) {
    if (!df || !df->header) return 0;
    RecordRef head = get_u32(df->header, 60);
    PageBuffer* pb = &page_buffers[table_projections];
    std::vector<RecordRef> targets;
    for (unsigned char* p = record_next(df, &head, nullptr, pb); p && !error_flag; p = record_next(df, &head, p, pb)) {
        bool changed = (get_u16(p, projection_flags) & 0x0200) != 0;
        if (projection_needs_rebuild(changed, previous_stage, current_stage)) targets.push_back(record_ref_of(pb, p));
    }
    int done = 0;
    for (RecordRef ref : targets) {
        RecordRef at = ref;
        unsigned char* p = record_read_at(df, &at, pb);
        if (!p || error_flag) break;
        // The chain heads of the projection may change: work on a copy and
        // write the heads back.
        unsigned char copy[projection_record_max];
        uint32_t len = get_u16(p, record_length);
        if (len > projection_record_max) len = projection_record_max;
        std::memset(copy, 0, sizeof copy);
        std::memcpy(copy, p, len);
        int rc = rebuild_projection_elements(df, copy, full, hooks, true);
        at = ref;
        p = record_read_at(df, &at, pb);
        if (!p) break;
        std::memcpy(p + 6, copy + 6, 28);   // the seven chain heads
        pb->clean = 0;
        if (rc == rebuild_failed) break;
        ++done;
    }
    return done;
}

// Dimension placement run: gathering, searching and writing back.
#include "annotation/dimension_placement_run.h"

#include <cmath>
#include <unordered_map>
#include <vector>

#include "annotation/annotation_layout.h"
#include "annotation/dimension_layout.h"
#include "annotation/dimension_placement.h"
#include "annotation/roughness_placement.h"
#include "annotation/text_fragment_cell.h"
#include "render/text/text_fragment_layout.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/units_scale.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const missing_link_point_code = "E20445";

namespace {

const double pi = 3.14159265358979323846;

enum : uint16_t {
    value_first_drawn = 0x0001,
    value_second_drawn = 0x0002,
    value_centre = 0x0004,
    value_hidden = 0x0008,
    value_shape = 0x00F0,
    value_by_hand = 0x0800,
    state_generated = 0x0004,
    state_marked = 0x0020,
    projection_placement_due = 0x0200
};

Point2 pair(const uint8_t* rec, uint32_t at) { return {get_f32(rec, at), get_f32(rec, at + 4)}; }
void put_pair(uint8_t* rec, uint32_t at, Point2 p) {
    put_f32(rec, at, static_cast<float>(p.x));
    put_f32(rec, at + 4, static_cast<float>(p.y));
}
bool is_zero(Point2 p) { return p.x == 0 && p.y == 0; }

// One dimension taking part: its number, the points of its two roles and
// whether the search is to place it.
struct Gathered {
    uint32_t number;
    std::vector<Point2> role[3];  // first, second, centre
    bool place;                   // false: kept as it stands
    int radial = 0;               // 1 a radius, 2 a diameter through its centre
};

// The role point that starts an extension line running towards `to`: the
// one furthest along that way (nearest the dimension line).
Point2 extension_start(const std::vector<Point2>& points, Point2 fallback, Point2 to) {
    if (points.empty()) return fallback;
    Point2 best = points[0];
    Point2 u = {to.x - fallback.x, to.y - fallback.y};
    double best_t = -INFINITY;
    for (Point2 p : points) {
        double t = p.x * u.x + p.y * u.y;
        if (t > best_t) best_t = t, best = p;
    }
    return best;
}

bool near_any(Point2 p, const std::vector<Point2>& points, double eps) {
    for (Point2 q : points)
        if (std::fabs(p.x - q.x) <= eps && std::fabs(p.y - q.y) <= eps) return true;
    return false;
}

// Copies of every record of one of the projection's chains.
bool load_chain(DrawingFile* df, uint8_t* projection, uint32_t chain, std::vector<std::vector<uint8_t>>* out) {
    RecordRef* head = projection_chain(projection, chain);
    PageBuffer* buf = projection_chain_buffer(chain);
    if (!head || !buf) return false;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        uint16_t len = get_u16(r, record_length);
        if (len < 6) return false;
        out->emplace_back(r, r + len);
    }
    return !error_flag;
}

void fail(const char* code) {
    error_stack_push(code);
    if (DrawingFile* df = current_drawing_file()) report_document_failure(df);
}

// The measuring direction of a straight dimension by its direction mode:
// along x, along y, along the axis, across it.
double measuring_direction(int mode, bool has_axis, double axis) {
    switch (mode) {
    case 0: return 0;
    case 1: return -pi / 2;
    case 2: return has_axis ? axis : 0;
    default: return has_axis ? axis - pi / 2 : 0;
    }
}

}  // namespace

PlacementRunResult place_dimensions(uint8_t* projection, int mode) {
    PlacementRunResult result;
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return result;
    bool due = (get_u16(projection, projection_flags) & projection_placement_due) != 0;
    if (mode == placement_when_due && !due) return result;

    std::vector<std::vector<uint8_t>> dimensions, points, links;
    if (!load_chain(df, projection, projection_dimensions, &dimensions) ||
        !load_chain(df, projection, projection_points, &points) ||
        !load_chain(df, projection, projection_links, &links)) {
        result.failed = true;
        return result;
    }
    std::unordered_map<uint32_t, Point2> position;
    for (const std::vector<uint8_t>& p : points)
        if (p.size() >= point_record_size)
            position[get_u32(p.data(), point_number)] = {get_f64(p.data(), point_true_x),
                                                         get_f64(p.data(), point_true_y)};
    std::unordered_map<uint32_t, std::vector<const uint8_t*>> links_of;
    for (const std::vector<uint8_t>& l : links)
        if (l.size() >= link_record_size) links_of[get_u32(l.data(), link_dimension)].push_back(l.data());

    const double mm = sheet_to_model_length(1.0);
    const double eps = sheet_to_model_length(0.01);
    std::vector<PlacementItem> items;
    std::vector<Gathered> gathered;
    std::vector<uint32_t> to_mark;
    Box points_box = box_empty();
    for (const auto& entry : position) {
        Box one{entry.second.x, entry.second.y, entry.second.x, entry.second.y};
        box_union(&points_box, &one);
    }

    for (const std::vector<uint8_t>& copy : dimensions) {
        if (copy.size() < dimension_record_size - 2) continue;
        const uint8_t* d = copy.data();
        uint32_t number = get_u32(d, dimension_number);
        uint16_t kind_word = get_u16(d, dimension_kind_word), value = get_u16(d, dimension_value_word);
        uint16_t state = get_u16(d, dimension_state);
        int kind = kind_word & 0x1F;
        if ((value & value_hidden) && kind != 2) continue;
        if (state & state_generated) continue;
        Gathered g{number, {}, true};
        for (const uint8_t* l : links_of[number]) {
            int role = get_u16(l, link_role) & 3;
            auto at = position.find(get_u32(l, link_point));
            if (at == position.end()) {
                fail(missing_link_point_code);
                result.failed = true;
                return result;
            }
            if (role >= 1 && role <= 3) g.role[role - 1].push_back(at->second);
        }
        bool straight = kind == 0 || kind == 6 || (kind == 2 && !(value & value_centre));
        Point2 line_a = pair(d, dimension_line_start), line_b = pair(d, dimension_line_end);
        bool stored = !(is_zero(line_a) && is_zero(line_b));
        PlacementItem it{};
        it.line_start = line_a;
        it.line_end = line_b;
        bool radial = kind == 1 || (kind == 2 && (value & value_centre));
        if (radial && !((value & value_by_hand) && stored && !due)) {
            // A radius or a diameter about its centre: the line runs from
            // the circle through the first-end point to the centre (a
            // diameter on to the opposite side); it is a line the others
            // keep clear of.
            if (g.role[0].empty() || g.role[2].empty()) {
                to_mark.push_back(number);
                continue;
            }
            Point2 c = g.role[2][0], p = g.role[0][0];
            double r = std::hypot(p.x - c.x, p.y - c.y);
            if (!(r > 0) || !std::isfinite(r)) {
                to_mark.push_back(number);
                continue;
            }
            Point2 u = {(p.x - c.x) / r, (p.y - c.y) / r};
            it.line_start = p;
            it.line_end = kind == 2 ? Point2{c.x - r * u.x, c.y - r * u.y} : c;
            it.first = p;
            it.second = it.line_end;
            it.first_direction = it.second_direction = std::atan2(u.y, u.x) + pi / 2;
            it.keep = true;
            g.radial = kind == 2 ? 2 : 1;
            items.push_back(it);
            gathered.push_back(g);
            continue;
        }
        if (!straight) {
            // Kept as it stands: its line is one to keep clear of.
            if (!stored) continue;
            Point2 e1 = pair(d, dimension_extension1), e1b = pair(d, dimension_extension1 + 8);
            it.first = e1;
            it.second = pair(d, dimension_extension2);
            it.first_direction = it.second_direction = std::atan2(e1b.y - e1.y, e1b.x - e1.x);
            if (!std::isfinite(it.first_direction)) it.first_direction = it.second_direction = 0;
            it.keep = true;
            g.place = false;
            items.push_back(it);
            gathered.push_back(g);
            ++result.kept;
            continue;
        }
        if (g.role[0].empty() || g.role[1].empty()) {
            to_mark.push_back(number);
            continue;
        }
        // The extension lines run across the measuring direction.
        int dmode = (kind_word >> 5) & 7;
        double axis = 0;
        bool has_axis = false;
        if (dmode >= 2) {
            auto p1 = position.find(get_u32(d, dimension_axis_point1)), p2 = position.find(get_u32(d, dimension_axis_point2));
            if (p1 != position.end() && p2 != position.end()) {
                axis = std::atan2(p2->second.y - p1->second.y, p2->second.x - p1->second.x);
                has_axis = std::isfinite(axis) && !(p1->second.x == p2->second.x && p1->second.y == p2->second.y);
            }
        }
        double direction = measuring_direction(dmode, has_axis, axis) + pi / 2;
        it.first = g.role[0][0];
        it.second = g.role[1][0];
        it.first_direction = it.second_direction = direction;
        it.view_length = nominal_to_view_length(projection, get_f64(d, dimension_nominal), kind);
        if (!std::isfinite(it.view_length)) it.view_length = 0;
        // A line placed by hand stays: always when the projection has not
        // changed, and on a changed projection while its points have not
        // moved (its extension lines still start at them).
        if ((value & value_by_hand) && stored) {
            bool unmoved = near_any(pair(d, dimension_extension1), g.role[0], eps) &&
                           near_any(pair(d, dimension_extension2), g.role[1], eps);
            it.keep = !due || unmoved;
        }
        g.place = !it.keep;
        if (it.keep) ++result.kept;
        items.push_back(it);
        gathered.push_back(g);
    }

    Box frame{get_f32(projection, projection_frame_offset), get_f32(projection, projection_frame_offset + 4),
              get_f32(projection, projection_frame_offset + 8), get_f32(projection, projection_frame_offset + 12)};
    if (!(frame.min_x < frame.max_x || frame.min_y < frame.max_y) || !std::isfinite(frame.min_x) ||
        !std::isfinite(frame.max_x) || !std::isfinite(frame.min_y) || !std::isfinite(frame.max_y))
        frame = box_is_empty(&points_box) ? Box{0, 0, 0, 0} : points_box;
    PlacementFrame pf{frame, mm > 0 && std::isfinite(mm) ? mm : 1.0};
    // The tallest shown label widens the band the lines keep free.
    {
        RecordRef* ahead = projection_chain(projection, projection_annotations);
        PageBuffer* abuf = &page_buffers[table_annotation];
        for (unsigned char* r = ahead ? record_next(df, ahead, nullptr, abuf) : nullptr; r;
             r = record_next(df, ahead, r, abuf)) {
            if (r[record_kind] != annotation_dimension_text || get_u16(r, record_length) < dimension_text_head) continue;
            uint16_t f = get_u16(r, annotation_flags);
            if (f & 0x1000) continue;
            double h = annotation_text_height((f >> 7) & 0x0F);
            if (std::isfinite(h) && h > pf.label_height) pf.label_height = h;
        }
        error_flag = 0;
    }
    resolve_placement_collisions(items, pf);

    RecordRef* head = projection_chain(projection, projection_dimensions);
    PageBuffer* buf = &page_buffers[table_dimensions];
    std::vector<uint32_t> written;
    for (size_t i = 0; i < items.size(); ++i) {
        const PlacementItem& it = items[i];
        const Gathered& g = gathered[i];
        if (!g.place) continue;
        if (it.unplaceable || !it.placed) {
            to_mark.push_back(g.number);
            continue;
        }
        unsigned char* d = record_find_key(df, head, g.number, nullptr, buf);
        if (!d || get_u16(d, record_length) < dimension_record_size - 2) continue;
        if (g.radial) {
            // The ends on the circle carry extension lines of no length.
            put_pair(d, dimension_line_start, it.line_start);
            put_pair(d, dimension_line_end, it.line_end);
            put_pair(d, dimension_centre, g.role[2][0]);
            put_pair(d, dimension_extension1, it.line_start);
            put_pair(d, dimension_extension1 + 8, it.line_start);
            put_pair(d, dimension_extension2, it.line_end);
            put_pair(d, dimension_extension2 + 8, it.line_end);
            uint16_t value = get_u16(d, dimension_value_word);
            value = static_cast<uint16_t>((value & ~(value_shape | value_by_hand)) | 0x0010 | value_first_drawn |
                                          (g.radial == 2 ? value_second_drawn : 0));
            put_u16(d, dimension_value_word, value);
            buf->clean = 0;
            written.push_back(g.number);
            continue;
        }
        Point2 s1 = extension_start(g.role[0], it.first, it.line_start);
        Point2 s2 = extension_start(g.role[1], it.second, it.line_end);
        put_pair(d, dimension_line_start, it.line_start);
        put_pair(d, dimension_line_end, it.line_end);
        put_pair(d, dimension_centre, Point2{0, 0});
        put_pair(d, dimension_extension1, s1);
        put_pair(d, dimension_extension1 + 8, it.line_start);
        put_pair(d, dimension_extension2, s2);
        put_pair(d, dimension_extension2 + 8, it.line_end);
        uint16_t value = get_u16(d, dimension_value_word);
        value = static_cast<uint16_t>((value & ~(value_shape | value_by_hand)) | 0x0010 | value_first_drawn |
                                      value_second_drawn);
        put_u16(d, dimension_value_word, value);
        buf->clean = 0;
        written.push_back(g.number);
    }
    for (uint32_t number : to_mark) {
        if (unsigned char* d = record_find_key(df, head, number, nullptr, buf)) {
            put_u16(d, dimension_state, static_cast<uint16_t>(get_u16(d, dimension_state) | state_marked));
            buf->clean = 0;
        }
    }
    for (uint32_t number : written) {
        relayout_dimension(projection, number);
        unsigned char* d = record_find_key(df, head, number, nullptr, buf);
        if (d && (get_u16(d, dimension_state) & 0x0018)) keep_roughness_signs_on_extension_lines(projection, number);
    }
    result.placed = static_cast<int>(written.size());
    result.marked = static_cast<int>(to_mark.size());
    if (result.marked) show_program_message(placement_marked_message);
    relayout_text_fragments(projection);
    projection_compute_annotation_extents(projection);
    return result;
}

int relayout_text_fragments(uint8_t* projection) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_annotations);
    if (!df || !head) return 0;
    PageBuffer* buf = &page_buffers[table_annotation];
    auto is_fragment = [](const unsigned char* r) {
        return r[record_kind] == annotation_text_fragment && get_u16(r, record_length) >= text_fragment_head;
    };
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        if (!is_fragment(r)) continue;
        put_u16(r, text_fragment_options, static_cast<uint16_t>(get_u16(r, text_fragment_options) & ~0x0002));
        buf->clean = 0;
    }
    // Each fragment is laid out once (marked by bit 1); when laying out
    // stored one elsewhere the walk starts again from the head.
    int laid = 0;
    bool restart = true;
    while (restart && !error_flag) {
        restart = false;
        for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf)) {
            if (!is_fragment(r) || (get_u16(r, text_fragment_options) & 0x0002)) continue;
            RecordRef before = record_ref_of(buf, r);
            unsigned char* rec = r;
            if (!(get_u16(rec, text_fragment_options) & 1) || !fit_text_into_cell(projection, &rec, nullptr))
                rec = layout_text_fragment(projection, rec);
            if (!rec) return laid;
            put_u16(rec, text_fragment_options, static_cast<uint16_t>(get_u16(rec, text_fragment_options) | 0x0002));
            buf->clean = 0;
            ++laid;
            if (record_ref_of(buf, rec) != before) {
                restart = true;
                break;
            }
            r = rec;
        }
    }
    error_flag = 0;
    return laid;
}

PlacementRunResult replace_all_dimensions(uint8_t* projection) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    if (df && head) {
        PageBuffer* buf = &page_buffers[table_dimensions];
        for (unsigned char* d = record_next(df, head, nullptr, buf); d; d = record_next(df, head, d, buf)) {
            if (get_u16(d, record_length) < dimension_record_size - 2) continue;
            uint16_t value = get_u16(d, dimension_value_word);
            if (value & value_by_hand) {
                put_u16(d, dimension_value_word, static_cast<uint16_t>(value & ~value_by_hand));
                buf->clean = 0;
            }
        }
    }
    return place_dimensions(projection, placement_always);
}

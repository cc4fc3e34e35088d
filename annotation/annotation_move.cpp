// Moving annotation elements and dimension lines.
#include "annotation/annotation_move.h"

#include <cmath>
#include <cstring>

#include "annotation/annotation_layout.h"
#include "annotation/annotation_records.h"
#include "annotation/dimension_layout.h"
#include "annotation/roughness_placement.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "render/output/designation_letters.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const move_bound_prompt = "Чтобы сдвинуть элемент с привязкой к точке, нажмите CTRL";
const char* const move_label_orphan_text = "Недопустимые данные или неправильно описан размер";

namespace {
const double pi = 3.14159265358979323846;

Point2 pt(const uint8_t* rec, uint32_t at) { return {get_f32(rec, at), get_f32(rec, at + 4)}; }
void put_pt(uint8_t* rec, uint32_t at, Point2 p) {
    put_f32(rec, at, static_cast<float>(p.x));
    put_f32(rec, at + 4, static_cast<float>(p.y));
}
}  // namespace

uint32_t annotation_binding_offset(int kind) {
    switch (kind) {
    case annotation_leader: return leader_binding;
    case annotation_hatching: return hatching_binding;
    case annotation_text_fragment: return text_fragment_binding;
    case annotation_section: return section_binding;
    default: return 0;
    }
}

Point2 annotation_reference_corner(const uint8_t* rec, int node) {
    switch (rec[record_kind]) {
    case annotation_leader: return pt(rec, leader_text1);
    case annotation_hatching: return pt(rec, hatching_seed);
    case annotation_text_fragment: return pt(rec, text_fragment_corner1);
    case annotation_section: {
        int n = section_node_count(rec);
        if (node < 0 || node >= n) node = 0;
        return n > 0 ? pt(rec, section_nodes + section_node_size * static_cast<uint32_t>(node)) : Point2{0, 0};
    }
    case annotation_tolerance: return {get_f32(rec, tolerance_frame1), get_f32(rec, tolerance_frame2 + 4)};
    case annotation_roughness: return pt(rec, roughness_tip);
    default: return {0, 0};
    }
}

int section_nearest_node(const uint8_t* rec, double x, double y) {
    int n = section_node_count(rec), best = 0;
    double best_d = 0;
    for (int i = 0; i < n; ++i) {
        Point2 p = pt(rec, section_nodes + section_node_size * static_cast<uint32_t>(i));
        double d = std::hypot(p.x - x, p.y - y);
        if (i == 0 || d < best_d) {
            best = i;
            best_d = d;
        }
    }
    return best;
}

AnnotationMoveResult move_record_step(uint8_t* rec, const AnnotationStage& s, double x, double y, bool ctrl) {
    if (annotation_record_check(rec) != annotation_record_ok) return annotation_move_failed;
    int kind = rec[record_kind];
    uint32_t binding = annotation_binding_offset(kind);
    if (binding && kind != annotation_leader && get_u32(rec, binding) != 0) {
        if (!ctrl) return annotation_move_refused_bound;
        put_u32(rec, binding, 0);
    }
    double gx = x - s.grab_dx, gy = y - s.grab_dy;
    switch (kind) {
    case annotation_hatching:
        put_pt(rec, hatching_seed, {x, y});
        return annotation_move_done;
    case annotation_text_fragment: {
        Point2 c = pt(rec, text_fragment_corner1);
        translate_text_fragment_record(rec, gx - c.x, gy - c.y);
        return annotation_move_done;
    }
    case annotation_section:
        if (s.grabbed_node < rec[section_nodes_count]) {
            put_pt(rec, section_nodes + section_node_size * static_cast<uint32_t>(s.grabbed_node), {x, y});
            place_designation_letters(rec);
        }
        return annotation_move_done;
    default:
        return annotation_move_failed;
    }
}

AnnotationMoveResult move_selected_annotation(uint8_t* projection, AnnotationStage* s, double x, double y, bool ctrl,
                                              int* hint_mode) {
    if (hint_mode) *hint_mode = 0;
    uint8_t* rec = s->selected_annotation_ref ? annotation_record_at(s->selected_annotation_ref) : nullptr;
    if (!rec || !annotation_record_usable(rec)) return annotation_move_failed;
    int kind = rec[record_kind];
    switch (kind) {
    case annotation_dimension_text: {
        RecordRef found = 0;
        DrawingFile* df = current_drawing_file();
        RecordRef* dims = projection_chain(projection, projection_dimensions);
        RecordRef from = 0;
        uint8_t* dim = df && dims ? record_find_key(df, dims, get_u32(rec, record_key), &from,
                                                   &page_buffers[table_dimensions])
                                  : nullptr;
        (void)found;
        if (!dim) {
            show_program_message(move_label_orphan_text);
            record_delete(df, projection_chain(projection, projection_annotations), s->selected_annotation_ref,
                          &page_buffers[table_annotation]);
            s->selected_annotation_ref = 0;
            return annotation_move_label_orphan;
        }
        // The label's own layout against its line is not built: the label
        // stays, marked as placed by hand.
        put_u16(dim, dimension_value_word, static_cast<uint16_t>(get_u16(dim, dimension_value_word) | 0x8800));
        page_buffers[table_dimensions].clean = 0;
        return annotation_move_done;
    }
    case annotation_leader: {
        if (ctrl) {
            if (hint_mode) *hint_mode = 1;
            put_u32(rec, leader_binding, 0);
            page_buffers[table_annotation].clean = 0;
        }
        RecordRef ref = s->selected_annotation_ref;
        uint8_t* laid = nullptr;
        if (get_u16(rec, annotation_flags) & 0x8000)
            laid = layout_roughness_on_leader(projection, get_u32(rec, record_key), &ref, x, y, ctrl);
        else
            laid = layout_leader_at_point(projection, &ref, x, y, ctrl);
        s->selected_annotation_ref = ref;
        return laid ? annotation_move_done : annotation_move_failed;
    }
    case annotation_roughness: {
        if ((get_u16(rec, annotation_flags) >> 7) & 3) {
            RecordRef leader = 0;
            uint8_t* l = annotation_find_key_kind(projection, get_u32(rec, record_key), annotation_leader, &leader);
            if (!l) return annotation_move_failed;
            RecordRef ref = leader;
            uint8_t* laid = layout_roughness_on_leader(projection, get_u32(l, record_key), &ref, x, y, ctrl);
            return laid ? annotation_move_done : annotation_move_failed;
        }
        if (ctrl && hint_mode) *hint_mode = 1;
        put_pt(rec, roughness_tip, {x, y});
        page_buffers[table_annotation].clean = 0;
        return annotation_move_done;
    }
    case annotation_tolerance: {
        RecordRef ref = s->selected_annotation_ref;
        uint8_t* laid = layout_tolerance_designation(projection, &ref, x - s->grab_dx, y - s->grab_dy, ctrl);
        return laid ? annotation_move_done : annotation_move_failed;
    }
    default: {
        RecordBytes copy(rec, rec + get_u16(rec, record_length));
        AnnotationMoveResult r = move_record_step(copy.data(), *s, x, y, ctrl);
        if (r == annotation_move_done) {
            rec = annotation_record_at(s->selected_annotation_ref);
            if (!rec) return annotation_move_failed;
            std::memcpy(rec, copy.data(), copy.size());
            page_buffers[table_annotation].clean = 0;
            if (ctrl && hint_mode) *hint_mode = 1;
        }
        return r;
    }
    }
}

bool bind_annotation_on_release(uint8_t* rec, bool has_point, uint32_t point, Point2 at) {
    int kind = rec[record_kind];
    uint32_t binding = annotation_binding_offset(kind);
    if (!binding) return false;
    if (!has_point) {
        if (kind == annotation_text_fragment || kind == annotation_hatching) put_u32(rec, binding, 0);
        return true;
    }
    put_u32(rec, binding, point);
    switch (kind) {
    case annotation_leader: {
        Point2 p = pt(rec, leader_point1);
        translate_leader_record(rec, at.x - p.x, at.y - p.y);
        break;
    }
    case annotation_hatching:
        put_pt(rec, hatching_seed, at);
        break;
    case annotation_text_fragment: {
        Point2 p = {get_f32(rec, text_fragment_corner1), get_f32(rec, text_fragment_corner2 + 4)};
        translate_text_fragment_record(rec, at.x - p.x, at.y - p.y);
        break;
    }
    case annotation_section: {
        Point2 p = pt(rec, section_nodes);
        translate_section_record(rec, at.x - p.x, at.y - p.y);
        break;
    }
    default:
        break;
    }
    return true;
}

// ---------------------------------------------------------------- dimension lines

void dimension_line_parallel_step(uint8_t* dim, double x, double y) {
    Point2 a = pt(dim, dimension_line_start), b = pt(dim, dimension_line_end);
    double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (!(len > 0)) return;
    // The unit normal of the line; each end moves along it from its
    // extension line's start to the mouse's distance.
    double nx = -dy / len, ny = dx / len;
    Point2 e1 = pt(dim, dimension_extension1), e2 = pt(dim, dimension_extension2);
    double d1 = (x - e1.x) * nx + (y - e1.y) * ny, d2 = (x - e2.x) * nx + (y - e2.y) * ny;
    Point2 na = {e1.x + d1 * nx, e1.y + d1 * ny}, nb = {e2.x + d2 * nx, e2.y + d2 * ny};
    put_pt(dim, dimension_line_start, na);
    put_pt(dim, dimension_line_end, nb);
    put_pt(dim, dimension_extension1 + 8, na);
    put_pt(dim, dimension_extension2 + 8, nb);
}

void dimension_line_free_step(uint8_t* dim, AnnotationStage* s, double x, double y) {
    if (!s->free_offsets_taken) {
        Point2 a = pt(dim, dimension_line_start), b = pt(dim, dimension_line_end);
        s->free_offset[0][0] = a.x - x, s->free_offset[0][1] = a.y - y;
        s->free_offset[1][0] = b.x - x, s->free_offset[1][1] = b.y - y;
        s->free_offsets_taken = true;
        return;
    }
    put_pt(dim, dimension_line_start, {x + s->free_offset[0][0], y + s->free_offset[0][1]});
    put_pt(dim, dimension_line_end, {x + s->free_offset[1][0], y + s->free_offset[1][1]});
}

bool dimension_arc_step(uint8_t* dim, AnnotationStage* s, double x, double y) {
    Point2 c = pt(dim, dimension_centre), a = pt(dim, dimension_line_start), b = pt(dim, dimension_line_end);
    double near = sheet_to_model_length(12.0), flipped = sheet_to_model_length(13.2);
    double r = std::hypot(x - c.x, y - c.y);
    double ra = std::hypot(a.x - c.x, a.y - c.y), rb = std::hypot(b.x - c.x, b.y - c.y);
    if (!(ra > 0) || !(rb > 0)) return false;
    bool flip = false;
    double radius = r;
    double sign = 1.0;
    if (r < near) {
        if (s->arc_passed_centre) return false;  // stays where it flipped
        s->arc_passed_centre = true;
        flip = true;
        radius = flipped;
        sign = -1.0;
    } else {
        s->arc_passed_centre = false;
    }
    put_pt(dim, dimension_line_start, {c.x + sign * (a.x - c.x) / ra * radius, c.y + sign * (a.y - c.y) / ra * radius});
    put_pt(dim, dimension_line_end, {c.x + sign * (b.x - c.x) / rb * radius, c.y + sign * (b.y - c.y) / rb * radius});
    return flip;
}

Point2 dimension_arc_cursor_point(const uint8_t* dim) {
    Point2 c = pt(dim, dimension_centre), a = pt(dim, dimension_line_start), b = pt(dim, dimension_line_end);
    double ra = std::hypot(a.x - c.x, a.y - c.y), rb = std::hypot(b.x - c.x, b.y - c.y);
    if (!(ra > 0) || !(rb > 0)) return a;
    Point2 m = {(a.x - c.x) / ra + (b.x - c.x) / rb, (a.y - c.y) / ra + (b.y - c.y) / rb};
    double len = std::hypot(m.x, m.y);
    if (!(len > 1e-9)) return a;
    return {c.x + m.x / len * ra, c.y + m.y / len * ra};
}

bool dimension_drag_step(uint8_t* dim, AnnotationStage* s, double x, double y, bool ctrl, int* hint_mode,
                         bool* flipped) {
    if (hint_mode) *hint_mode = 0;
    if (flipped) *flipped = false;
    uint16_t value = get_u16(dim, dimension_value_word);
    int shape = (value >> 4) & 0x0F;
    if (shape == 1) {
        Point2 e1s = pt(dim, dimension_extension1), e1e = pt(dim, dimension_extension1 + 8);
        Point2 e2s = pt(dim, dimension_extension2), e2e = pt(dim, dimension_extension2 + 8);
        bool has_extension = (e1s.x != e1e.x || e1s.y != e1e.y) || (e2s.x != e2e.x || e2s.y != e2e.y);
        if (ctrl && !has_extension) {
            if (hint_mode) *hint_mode = 2;
            dimension_line_free_step(dim, s, x, y);
        } else {
            if (ctrl && hint_mode) *hint_mode = 3;
            dimension_line_parallel_step(dim, x, y);
        }
    } else if (shape == 3) {
        bool flip = dimension_arc_step(dim, s, x, y);
        if (flipped) *flipped = flip;
    } else {
        return false;
    }
    (void)pi;
    put_u16(dim, dimension_value_word, static_cast<uint16_t>((get_u16(dim, dimension_value_word) | 0x0800) & ~0x8000));
    return true;
}

namespace {

double point_segment_distance(Point2 a, Point2 b, Point2 p) {
    double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

// The distance from p to a dimension's line: its segment, or for an arc
// line the distance to the circle through its ends about the centre.
double distance_to_line(const uint8_t* d, Point2 p) {
    Point2 a = pt(d, dimension_line_start), b = pt(d, dimension_line_end);
    if (((get_u16(d, dimension_value_word) >> 4) & 0x0F) == 3) {
        Point2 c = pt(d, dimension_centre);
        double r = std::hypot(a.x - c.x, a.y - c.y);
        return std::fabs(std::hypot(p.x - c.x, p.y - c.y) - r);
    }
    return point_segment_distance(a, b, p);
}

unsigned char* dimension_at(RecordRef ref) {
    DrawingFile* df = current_drawing_file();
    if (!df || !ref) return nullptr;
    RecordRef at = ref;
    unsigned char* d = record_read_at(df, &at, &page_buffers[table_dimensions]);
    return d && get_u16(d, record_length) >= dimension_record_size - 2 ? d : nullptr;
}

}  // namespace

bool pick_dimension_line(uint8_t* projection, double x, double y, double slack, RecordRef* ref, uint8_t* end) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_dimensions);
    if (!df || !head) return false;
    PageBuffer* buf = &page_buffers[table_dimensions];
    double best = slack;
    bool found = false;
    Point2 p{x, y};
    for (unsigned char* d = record_next(df, head, nullptr, buf); d; d = record_next(df, head, d, buf)) {
        if (get_u16(d, record_length) < dimension_record_size - 2) continue;
        uint16_t value = get_u16(d, dimension_value_word);
        int shape = (value >> 4) & 0x0F;
        if ((value & 0x0008) || (shape != 1 && shape != 3)) continue;
        double dist = distance_to_line(d, p);
        if (!(dist <= best)) continue;
        best = dist;
        found = true;
        *ref = record_ref_of(buf, d);
        Point2 a = pt(d, dimension_line_start), b = pt(d, dimension_line_end);
        *end = std::hypot(p.x - a.x, p.y - a.y) <= std::hypot(p.x - b.x, p.y - b.y) ? 1 : 2;
    }
    error_flag = 0;
    return found;
}

bool move_selected_dimension(uint8_t* projection, RecordRef ref, AnnotationStage* s, double x, double y, bool ctrl,
                             int* hint_mode, bool* flipped, Point2* cursor_to) {
    if (flipped) *flipped = false;
    unsigned char* d = dimension_at(ref);
    if (!d) return false;
    bool flip = false;
    if (!dimension_drag_step(d, s, x, y, ctrl, hint_mode, &flip)) return false;
    if (flip && cursor_to) *cursor_to = dimension_arc_cursor_point(d);
    if (flipped) *flipped = flip;
    page_buffers[table_dimensions].clean = 0;
    uint32_t number = get_u32(d, dimension_number);
    bool signs = (get_u16(d, dimension_state) & 0x0018) != 0;
    relayout_dimension(projection, number);
    error_flag = 0;
    if (signs) keep_roughness_signs_on_extension_lines(projection, number);
    return true;
}

uint32_t apply_dimension_arrowhead(uint8_t* projection, RecordRef ref, int end, int kind) {
    (void)projection;
    unsigned char* d = dimension_at(ref);
    if (!d || (end != 1 && end != 2) || kind < 0 || kind > 10) return 0;
    uint16_t word = get_u16(d, dimension_kind_word);
    int shift = end == 1 ? 8 : 12;
    word = static_cast<uint16_t>((word & ~(0x0F << shift)) | (kind << shift));
    put_u16(d, dimension_kind_word, word);
    uint16_t value = static_cast<uint16_t>(get_u16(d, dimension_value_word) | 0x0800);
    if ((word & 0x1F) == 6) value = static_cast<uint16_t>(value & ~0x8000);
    put_u16(d, dimension_value_word, value);
    page_buffers[table_dimensions].clean = 0;
    return get_u32(d, dimension_number);
}

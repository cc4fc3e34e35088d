// Element input at the image stage: the click state machine.
#include "stages/points_elements/element_input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/program_messages.h"
#include "geometry/curve_images.h"
#include "geometry/curves.h"
#include "geometry/extents.h"
#include "render/contours/contour_search.h"
#include "stages/points_elements/marking_contours.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

const char* const text_point_refused = "Эту точку использовать нельзя!";
const char* const text_point_misused = "Недопустимое использование точки";
const char* const text_control_point = "%о использовать контрольную точку сплайна";
const char* const text_curve_full = "Много точек плавной кривой!";
const char* const text_curve_done = "Плавная кривая закончилась. Вводите очередную";
const char* const text_not_on_break = "Помечаемая точка должна быть расположена на контуре разрыва";

struct StateShape {
    int kind;
    int points;
};

StateShape shape_of(int state) {
    switch (state) {
    case input_line: return {element_kind_segment, 2};
    case input_circle: return {element_kind_circle, 2};
    case input_arc_centre: return {element_kind_arc_centre, 3};
    case input_arc_points: return {element_kind_arc_points, 3};
    case input_wavy: return {element_kind_wavy, 3};
    case input_elliptic_arc: return {element_kind_elliptic_arc, 5};
    case input_ellipse: return {element_kind_ellipse, 3};
    case input_bezier: return {element_kind_bezier, 4};
    case input_curve: return {element_kind_curve, curve_input_max_points};
    case input_break: return {element_kind_break, 2};
    default: return {0, 0};
    }
}

void show_prompt(ElementInput& in, const ElementInputHooks& hooks, const char* text) {
    in.prompt = text;
    if (hooks.prompt) hooks.prompt(text);
}

void show_message(const ElementInputHooks& hooks, const char* text) {
    if (hooks.message) {
        hooks.message(text);
        error_stack_clear();
    } else {
        show_program_message(text);
    }
}

uint32_t point_at_index(const ElementInput& in, int i) {
    return get_u32(in.element.data(), element_points + 4 * static_cast<uint32_t>(i));
}

void put_point(ElementInput& in, int kind, int i, uint32_t number, Point2 at) {
    put_u32(in.element.data(), element_points + 4 * static_cast<uint32_t>(i), number);
    put_point2(in.element.data(), element_coords_offset(kind) + 16 * static_cast<uint32_t>(i), at);
}

void start_element(ElementInput& in, int kind) {
    uint32_t len = kind == element_kind_curve ? curve_vertex_size : element_fixed_length(kind);
    in.element.assign(len, 0);
    put_u16(in.element.data(), record_length, static_cast<uint16_t>(len));
    int type = line_type_for_kind(kind, current_line_type);
    put_u16(in.element.data(), element_flags, static_cast<uint16_t>(kind | (type << 4)));
}

// Whether some element of the projection already holds the point.
bool point_in_use(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        ElementPointPlace slots[64];
        int n = element_point_places(r, slots, 64);
        for (int i = 0; i < n; ++i)
            if (slots[i].number == number) return true;
    }
    return false;
}

void make_control_point(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef from = 0;
    unsigned char* p = record_find_key(df, projection_chain(projection, projection_points), number, &from,
                                       &page_buffers[table_points]);
    if (!p || get_u16(p, record_length) != point_record_size) return;
    p[point_flags2] = static_cast<unsigned char>(p[point_flags2] | 0x01);
    page_buffers[table_points].clean = 0;
}

void set_curve_vertices(ElementInput& in, const std::vector<CurveVertex>& v) {
    int n = static_cast<int>(v.size());
    in.element.resize(curve_record_length(n, false));
    put_u16(in.element.data(), record_length, static_cast<uint16_t>(in.element.size()));
    put_i16(in.element.data(), curve_count, static_cast<int16_t>(n));
    for (int i = 0; i < n; ++i) {
        uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
        put_u32(in.element.data(), at + curve_vertex_point, v[static_cast<size_t>(i)].point_number);
        put_point2(in.element.data(), at + curve_vertex_x, v[static_cast<size_t>(i)].point);
        if (i + 1 < n) put_point2(in.element.data(), at + curve_vertex_through_x, v[static_cast<size_t>(i)].through);
    }
}

std::vector<CurveVertex> curve_vertices_of(const ElementInput& in) {
    int n = get_i16(in.element.data(), curve_count);
    std::vector<CurveVertex> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = element_curve_vertex(in.element.data(), i);
    return v;
}

// The contour a view break may lie on at this point: the innermost contour
// of an element using the point (kinds 1-5 and 11, generated records
// included) that is an opaque screen (kind 0) holding at least one invisible
// and one visible member; 0 when none.
uint32_t break_contour_at(DrawingFile* df, unsigned char* projection, uint32_t point) {
    RecordRef* eh = projection_chain(projection, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    std::vector<uint32_t> users;
    for (unsigned char* r = record_next(df, eh, nullptr, eb); r && !error_flag; r = record_next(df, eh, r, eb)) {
        int kind = element_kind(r);
        if (!((kind >= 1 && kind <= 5) || kind == element_kind_symbol)) continue;
        if (!(get_u16(r, element_flags) & element_flag_contour_member)) continue;
        ElementPointPlace places[64];
        int n = element_point_places(r, places, 64);
        for (int i = 0; i < n; ++i)
            if (places[i].number == point) {
                users.push_back(get_u32(r, element_number));
                break;
            }
    }
    for (uint32_t e : users) {
        int level = 0, kind = -1;
        uint32_t c = contour_innermost_of_element(df, projection, e, &level);
        std::vector<uint32_t> members;
        if (!c || !contour_member_list(df, projection, c, &members, &kind, nullptr) || kind != contour_kind_screen)
            continue;
        bool invisible = false, visible = false;
        for (unsigned char* r = record_next(df, eh, nullptr, eb); r && !error_flag; r = record_next(df, eh, r, eb)) {
            if (get_u16(r, element_flags) & element_flag_generated) continue;
            if (std::find(members.begin(), members.end(), get_u32(r, element_number)) == members.end()) continue;
            if (element_line_type(r) == 0) invisible = true;
            else visible = true;
        }
        if (invisible && visible) return c;
    }
    return 0;
}

void flag_contour_broken(DrawingFile* df, unsigned char* projection, uint32_t contour) {
    RecordRef* ch = projection_chain(projection, projection_contours);
    PageBuffer* cb = &page_buffers[table_contours];
    for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb))
        if (get_u16(c, record_length) >= contour_head_size && get_u32(c, contour_number) == contour) {
            put_u16(c, contour_flags, static_cast<uint16_t>(get_u16(c, contour_flags) | contour_flag_break));
            cb->clean = 0;
        }
}

// Stores the element in hand; returns its number or 0.
uint32_t store_element(ElementInput& in, DrawingFile* df, unsigned char** projection, const ElementInputHooks& hooks) {
    RecordRef ref = element_store(df, projection, in.element.data(), hooks.store);
    if (!ref || error_flag) return 0;
    uint32_t number = get_u32(in.element.data(), element_number);
    int kind = element_kind(in.element.data());
    projection_extend_frame_to_element(*projection, in.element.data());
    if (kind == element_kind_wavy) build_wavy_line_image(*projection, number, 1);
    else if (kind == element_kind_ellipse || kind == element_kind_elliptic_arc) build_ellipse_image(*projection, number, 1);
    else if (kind == element_kind_bezier) build_bezier_image(*projection, number, 1);
    uint16_t flags = get_u16(*projection, projection_flags);
    if (!(flags & 0x0200)) flags = static_cast<uint16_t>(flags & ~0x1000);
    put_u16(*projection, projection_flags, static_cast<uint16_t>(flags | 0x0200));
    if (hooks.stored) hooks.stored(*projection, number);
    return number;
}

}  // namespace

const char* element_input_state_prompt(int state) {
    switch (state) {
    case input_line: return "*две точки на прямой линии";
    case input_circle: return "*точку на окружности и центр";
    case input_arc_centre: return "*две точки на дуге и центр";
    case input_arc_points: return "*три точки на дуге";
    case input_ellipse: return "*две точки на эллипсе и центр";
    case input_elliptic_arc: return "*две точки, центр и точки на концах дуги эллипса";
    case input_wavy: return "*три точки на линии разрыва";
    case input_bezier: return "*четыре точки на сплайне";
    case input_curve: return "*серию точек на плавной кривой";
    case input_fragment: return "*фрагмент и точки его привязки";
    case input_symbol: return "Выберите и установите условное изображение";
    case input_marking: return "*на выделяемые графические объекты";
    case input_break: return "*две точки на направлении сдвига";
    case input_levels: return "*ближний и дальний объекты";
    default: return nullptr;
    }
}

void cancel_element_input(ElementInput& in, const ElementInputHooks& hooks) {
    in.step = 0;
    in.element.clear();
    in.prompt_saved = false;
    in.saved_prompt.clear();
    if (hooks.show_step) hooks.show_step(-1);
    if (hooks.save) hooks.save();
}

void element_input_choose(ElementInput& in, int state, const ElementInputHooks& hooks) {
    cancel_element_input(in, hooks);
    in.state = state;
    const char* p = element_input_state_prompt(state);
    show_prompt(in, hooks, p ? p : "");
}

int element_input_click(ElementInput& in, DrawingFile* df, unsigned char** projection, const unsigned char* point,
                        bool ctrl, const ElementInputHooks& hooks) {
    (void)ctrl;
    StateShape shape = shape_of(in.state);
    if (!shape.kind || !df || !projection || !*projection || !point) return 0;
    uint32_t number = get_u32(point, point_number);
    Point2 at = get_point2(point, point_sketch_x);
    uint8_t flags2 = point[point_flags2];

    // The click is an edit: the drawing notes its time.
    if (df->header) {
        uint16_t options = get_u16(df->header, header_options);
        if (options & header_opt_hatch_lines) purge_temporary_records();
        put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) & ~header_opt_bit8));
        put_u32(df->header, header_construction_time, static_cast<uint32_t>(std::time(nullptr)));
        put_u32(df->header, header_dword_140, 0);
    }
    int index = in.step;  // the place of this point in the element
    bool bezier_control = in.state == input_bezier && (index == 2 || index == 3);
    if ((flags2 & 0x01) && !bezier_control) {
        error_flag = 1;
        show_message(hooks, text_control_point);
        return 0;
    }

    int before = in.step;
    const char* rejection = text_point_refused;
    int result = 1;
    if (in.state == input_curve) {
        if (index == 0) {
            start_element(in, element_kind_curve);
            set_curve_vertices(in, {CurveVertex{number, at, at}});
            in.step = 1;
        } else {
            std::vector<CurveVertex> v = curve_vertices_of(in);
            if (v.back().point_number == number) {
                // the same point again: refused
            } else if (static_cast<int>(v.size()) >= curve_input_max_points) {
                // One point too many: refused, the curve in hand is kept for
                // the finish button.
                static char detail[32];
                std::snprintf(detail, sizeof detail, "больше %u", static_cast<unsigned>(curve_input_max_points));
                error_stack_push(detail);
                show_message(hooks, text_curve_full);
                return 0;
            } else {
                v.push_back(CurveVertex{number, at, at});
                uint16_t o = get_u16(in.element.data(), element_options);
                smooth_curve_through_points(v.data(), static_cast<int>(v.size()), (o & element_opt_closed) ? 1 : 0, 0);
                set_curve_vertices(in, v);
                in.step = index + 1;
            }
        }
    } else {
        if (index == 0) start_element(in, shape.kind);
        bool accept = true;
        auto earlier = [&](int i) { return point_at_index(in, i) == number; };
        switch (in.state) {
        case input_line:
        case input_circle:
            accept = index == 0 || !earlier(0);
            break;
        case input_arc_centre:
        case input_arc_points:
        case input_wavy:
        case input_ellipse:
            accept = !(index >= 1 && earlier(0)) && !(index == 2 && earlier(1));
            break;
        case input_elliptic_arc:
            if (index == 1) accept = !earlier(0);
            else if (index == 2) accept = !earlier(0) && !earlier(1);
            else if (index == 3) accept = !earlier(2);
            else if (index == 4 && (earlier(2) || earlier(3))) {
                // The end of the arc on its centre or its start: the start
                // goes too.
                in.step = 3;
                accept = false;
                before = 4;
            }
            break;
        case input_break: {
            if (index == 1 && earlier(0)) {
                accept = false;   // the same point again
                break;
            }
            uint32_t contour = break_contour_at(df, *projection, number);
            if (!contour || (index == 1 && contour != get_u32(in.element.data(), element_break_contour))) {
                accept = false;
                rejection = text_not_on_break;
            } else if (index == 0) {
                put_u32(in.element.data(), element_break_contour, contour);
            }
            break;
        }
        case input_bezier:
            if (index >= 2 && !(flags2 & 0x01) && (point_in_use(df, *projection, number) || (flags2 & 0x04))) {
                accept = false;
            } else if ((index == 1 || index == 2) && (earlier(0) || (index == 2 && earlier(1)))) {
                accept = false;
                rejection = text_point_misused;
            } else if (index == 2 && (flags2 & 0x02)) {
                accept = false;
                rejection = text_point_misused;
            } else if (index == 3 && (earlier(0) || earlier(1) || earlier(2))) {
                accept = false;
            } else if (index == 3 && (flags2 & 0x02)) {
                accept = false;
                rejection = text_point_misused;
            }
            break;
        default:
            break;
        }
        if (accept) {
            put_point(in, shape.kind, index, number, at);
            in.step = index + 1;
        } else if (in.step > index) {
            in.step = index;
        }
        if (accept && in.step == shape.points) {
            if (in.state == input_bezier) {
                make_control_point(df, *projection, point_at_index(in, 2));
                make_control_point(df, *projection, point_at_index(in, 3));
            }
            bool is_break = in.state == input_break;
            uint32_t break_contour = is_break ? get_u32(in.element.data(), element_break_contour) : 0;
            if (is_break) {
                double gap = hooks.break_gap ? hooks.break_gap() : 10.0;
                put_f64(in.element.data(), element_break_gap, std::isfinite(gap) ? std::fabs(gap) : 10.0);
            }
            uint32_t stored = store_element(in, df, projection, hooks);
            if (!stored) return -1;
            if (is_break) {
                flag_contour_broken(df, *projection, break_contour);
                put_u16(*projection, projection_flags, static_cast<uint16_t>(get_u16(*projection, projection_flags) | 0x2000));
            }
            int state = in.state;
            if (in.prompt_saved) show_prompt(in, hooks, in.saved_prompt.c_str());
            cancel_element_input(in, hooks);
            in.state = state;
            result = 2;
        }
    }

    // The prompt: a refusal keeps the element's prompt aside while its text
    // shows; the next accepted point brings it back.
    bool advanced = in.step > before || result == 2;
    if (!advanced) {
        if (!in.prompt_saved) {
            in.saved_prompt = in.prompt;
            in.prompt_saved = true;
        }
        if (hooks.prompt) hooks.prompt(rejection);
        if (hooks.show_step) hooks.show_step(in.step);
        return 0;
    }
    if (in.prompt_saved) {
        in.prompt_saved = false;
        show_prompt(in, hooks, in.saved_prompt.c_str());
    }
    if (hooks.show_step) hooks.show_step(in.step);
    return result;
}

uint32_t finish_smooth_curve(ElementInput& in, DrawingFile* df, unsigned char** projection,
                             const ElementInputHooks& hooks) {
    if (in.state != input_curve || in.element.empty() || get_i16(in.element.data(), curve_count) < 2) return 0;
    uint32_t number = store_element(in, df, projection, hooks);
    if (!number) return 0;
    cancel_element_input(in, hooks);
    show_prompt(in, hooks, text_curve_done);
    return number;
}

// Hatch generation and the hand-over of hatch lines to the drawing code.
#include "render/contours/hatch_generation.h"

#include "geometry/extents.h"
#include "geometry/naming.h"
#include "render/contours/hatch_patterns.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <cstring>

HatchLineDrawers hatch_line_drawers = {nullptr, nullptr, nullptr};
bool (*hatch_worker_running)() = nullptr;

namespace {

void report_missing_contour(const uint8_t* projection) {
    static char caption[128];
    caption[0] = '\0';
    view_caption(projection, caption, sizeof caption);
    error_stack_push("на проекции:");
    error_stack_push(caption);
    show_program_message("$в контуре штриховки");
    DrawingFile* df = current_drawing_file();
    if (df && df->header)
        put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) | 0x0800));
    error_flag = 1;
}

}  // namespace

void generate_hatch(ContourWindow* window, const uint8_t* hatching) {
    if (!window || !window->projection || !hatching) return;
    uint8_t* projection = window->projection;
    int code = hatching[hatching_kind_code];
    if (code == 0) return;
    uint32_t id = get_u32(hatching, record_key);
    uint8_t hatch[hatching_record_size];
    std::memcpy(hatch, hatching, hatching_record_size);
    DrawingFile* df = current_drawing_file();
    RecordRef* contours = reinterpret_cast<RecordRef*>(projection + projection_contours);
    uint8_t* contour = find_contour_by_number(df, contours, id);
    if (error_flag) return;
    if (!contour) {
        report_missing_contour(projection);
        return;
    }
    if (get_i16(contour, contour_member_count) == 0) return;
    Box range = get_box(contour, contour_box);
    uint16_t fragment = get_u16(contour, contour_fragment);
    Box anchor{get_f32(projection, 58), get_f32(projection, 62), get_f32(projection, 66), get_f32(projection, 70)};
    const HatchKind* kind = hatch_kind_by_code(code);
    if (!kind) {
        report_missing_contour(projection);
        return;
    }
    if (!kind->generator) return;
    // The contours of the projection for this pass, unless the caller
    // already holds them.
    bool own_array = !contour_array;
    if (own_array && build_contour_array(projection, 0) != 0) return;
    void* state = nullptr;
    uint8_t piece[2048];
    while (kind->generator(&anchor, &range, &state, hatch, piece) == 1) {
        put_u16(piece, element_fragment, fragment);
        // Only what lies inside the hatching's own contour is kept: a piece
        // that does not reach its box needs no clipping.
        Box box = box_empty();
        box_add_element(projection, &box, piece);
        if (!box_is_empty(&box) && (box.max_x < range.min_x || box.min_x > range.max_x || box.max_y < range.min_y ||
                                    box.min_y > range.max_y)) {
            if (hatch_worker_running && !hatch_worker_running()) break;
            continue;
        }
        switch (element_kind(piece)) {
        case 1: clip_line_to_contours(window, piece, id, &range, clip_hatch_mode); break;
        case 2: clip_circle_to_contours(window, piece, id, &range, clip_hatch_mode); break;
        case 3:
        case 4: clip_arc_to_contours(window, piece, id, &range, clip_hatch_mode); break;
        case 5: clip_curve_to_contours(window, piece, id, &range, clip_hatch_mode); break;
        default: break;
        }
        if (error_flag || (hatch_worker_running && !hatch_worker_running())) break;
    }
    // A generation stopped early leaves the generator's state: freed here.
    hatch_generator_free(&state);
    if (own_array) free_contour_array();
}

int draw_hatch_lines(const ContourWindow* window) {
    int result = 0;
    if (!window) return 0;
    for (const HatchLine* h = window->hatch_lines; h; h = h->next) {
        int kind = h->kind & 0x0F;
        uint8_t rec[element_size3] = {};
        size_t size = kind == 3 ? element_size3 : element_size2;
        put_u16(rec, record_length, static_cast<uint16_t>(size));
        put_u16(rec, element_flags, static_cast<uint16_t>(h->kind & 0xFF));
        if (kind == 3) {
            for (int i = 0; i < 3; ++i) put_point2(rec, element_coords3 + 16 * static_cast<size_t>(i), h->g[i]);
            if (hatch_line_drawers.arc) result = hatch_line_drawers.arc(rec);
        } else {
            for (int i = 0; i < 2; ++i) put_point2(rec, element_coords2 + 16 * static_cast<size_t>(i), h->g[i]);
            if (kind == 1 && hatch_line_drawers.segment) result = hatch_line_drawers.segment(rec);
            if (kind == 2 && hatch_line_drawers.circle) result = hatch_line_drawers.circle(rec);
        }
    }
    return result;
}

// Annotation tools: the stage state and the placing tools' records.
#include "annotation/annotation_tools.h"

#include <cfloat>
#include <new>

#include "annotation/annotation_layout.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_texts.h"
#include "annotation/leader_properties.h"
#include "annotation/text_fragment_properties.h"
#include "annotation/tolerance_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "render/output/designation_letters.h"
#include "render/text/stroke_font.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"

AnnotationStage annotation_stage;
const char* const section_too_many_nodes = "Зачем столько узловых точек сечения?";
const char* const default_fragment_text = "Текст";

void annotation_stage_reset(AnnotationStage* s) { *s = AnnotationStage{}; }

void annotation_drag_reset(AnnotationStage* s) {
    s->free_offsets_taken = false;
    s->arc_passed_centre = false;
    s->turned_this_drag = false;
}

namespace {

RecordBytes head_of(int kind, size_t size, uint16_t flags) {
    RecordBytes r(size, 0);
    put_u16(r.data(), record_length, static_cast<uint16_t>(size));
    r[record_kind] = static_cast<uint8_t>(kind);
    put_u16(r.data(), annotation_flags, flags);
    return r;
}

void put_pair(uint8_t* rec, uint32_t at, double x, double y) {
    put_f32(rec, at, static_cast<float>(x));
    put_f32(rec, at + 4, static_cast<float>(y));
}

// Writes the box of a text fragment from its text measured in its font,
// the upper left corner at (x, y).
void text_fragment_box(uint8_t* rec, const std::string& text, double x, double y) {
    uint16_t f = get_u16(rec, annotation_flags);
    int index = clamp_height_index((f >> 2) & 0x0F);
    select_text_font(index, (f >> 1) & 1, f & 1);
    double w = 0, t = 0, depth = 0;
    measure_multiline_text(text.c_str(), &w, &t, text_line_step(index), &depth);
    double m = sheet_to_model_length(1.24);
    put_f32(rec, text_fragment_baseline, static_cast<float>(y - (t - depth)));
    put_pair(rec, text_fragment_corner1, x, y - t);
    put_pair(rec, text_fragment_corner2, x + w, y);
    put_pair(rec, text_fragment_frame1, x - m, y - t - m);
    put_pair(rec, text_fragment_frame2, x + w + m, y + m);
}

RecordRef add_selected(uint8_t* projection, AnnotationStage* s, const RecordBytes& rec) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_annotations);
    if (!df || !head) return 0;
    RecordRef ref = record_add(df, head, rec.data(), &page_buffers[table_annotation]);
    if (!ref || error_flag) return 0;
    // The chain head lives in the projection record.
    page_buffers[table_projections].clean = 0;
    s->selected_annotation_ref = ref;
    return ref;
}

void out_of_memory() {
    show_program_message(kernel_context().out_of_memory_text);
    error_flag = 1;
}

}  // namespace

RecordBytes build_new_leader(double x, double y) {
    RecordBytes r = head_of(annotation_leader, leader_head + 2,
                            static_cast<uint16_t>(3 | 0x10 | (default_height_index() << 7)));
    double h = sheet_to_model_length(1.2);
    put_pair(r.data(), leader_point1, x - h / 2, y);
    put_pair(r.data(), leader_point2, x - h / 2, y);
    put_pair(r.data(), leader_text1, x - h / 2, y);
    put_pair(r.data(), leader_point3, x + h / 2, y);
    return r;
}

bool build_new_text_fragment(const std::string& text, double x, double y, RecordBytes* out, const char** refusal) {
    RecordBytes head = head_of(annotation_text_fragment, text_fragment_head,
                               static_cast<uint16_t>(0x02 | (default_height_index() << 2)));
    put_u16(head.data(), text_fragment_lines, 1);
    if (!text_fragment_build(head.data(), text, out, refusal)) return false;
    text_fragment_box(out->data(), text, x, y);
    return true;
}

bool build_clone(const uint8_t* source, bool shift, RecordBytes* out, bool* shift_kept) {
    *shift_kept = false;
    int length = get_u16(source, record_length);
    out->assign(source, source + length);
    if (!shift) return true;
    const char* refusal = nullptr;
    RecordBytes grown;
    bool changed = false;
    if (source[record_kind] == annotation_leader) {
        LeaderTexts t = leader_texts(source);
        std::string upper = increment_trailing_number(t.upper, &changed);
        if (changed && leader_build_texts(source, upper.c_str(), t.lower.c_str(), &grown, &refusal)) {
            *out = std::move(grown);
            *shift_kept = true;
        }
    } else if (source[record_kind] == annotation_text_fragment) {
        std::string text = increment_trailing_number(record_text(source, text_fragment_head), &changed);
        if (changed && text_fragment_build(source, text, &grown, &refusal)) {
            *out = std::move(grown);
            *shift_kept = true;
        }
    }
    return true;
}

RecordBytes build_new_section(double x, double y) {
    RecordBytes r = head_of(annotation_section, section_nodes + section_node_size,
                            static_cast<uint16_t>(0x01 | (default_height_index() << 2)));
    r[section_nodes_count] = 1;
    put_pair(r.data(), section_nodes, x, y);
    return r;
}

bool build_section_with_node(const uint8_t* section, double x, double y, RecordBytes* out, const char** refusal) {
    *refusal = nullptr;
    int nodes = section[section_nodes_count];
    if (nodes > 248) {
        *refusal = section_too_many_nodes;
        return false;
    }
    out->assign(section, section + section_nodes + section_node_size * nodes);
    out->resize(out->size() + section_node_size, 0);
    put_pair(out->data(), section_nodes + section_node_size * static_cast<uint32_t>(nodes), x, y);
    (*out)[section_nodes_count] = static_cast<uint8_t>(nodes + 1);
    put_u16(out->data(), record_length, static_cast<uint16_t>(out->size()));
    return true;
}

RecordBytes build_new_tolerance(uint32_t element, double x, double y) {
    RecordBytes r = head_of(annotation_tolerance, tolerance_head,
                            static_cast<uint16_t>(0x01 | (default_height_index() << 2)));
    put_u32(r.data(), tolerance_element, element);
    put_f32(r.data(), tolerance_frame1, static_cast<float>(x));
    put_f32(r.data(), tolerance_leader_target, static_cast<float>(x));
    put_f32(r.data(), tolerance_frame2 + 4, static_cast<float>(y));
    put_f32(r.data(), tolerance_leader_target + 4, static_cast<float>(y));
    put_f32(r.data(), tolerance_frame_side, FLT_MAX);
    return r;
}

// ---------------------------------------------------------------- store

namespace {
// The clone source's record when it is of `kind` and usable; else the
// source is dropped.
const uint8_t* clone_of(AnnotationStage* s, int kind) {
    if (!s->clone_source) return nullptr;
    const uint8_t* r = annotation_record_at(s->clone_source);
    if (!r || r[record_kind] != kind || !annotation_record_usable(r)) {
        s->clone_source = 0;
        return nullptr;
    }
    return r;
}
}  // namespace

RecordRef place_leader(uint8_t* projection, AnnotationStage* s, double x, double y, bool shift) {
    try {
        RecordBytes rec;
        const uint8_t* src = clone_of(s, annotation_leader);
        bool cloned = src != nullptr;
        if (cloned) {
            bool kept = false;
            build_clone(src, shift, &rec, &kept);
            // The points restart at the click as for a new leader.
            RecordBytes fresh = build_new_leader(x, y);
            for (uint32_t at : {leader_point1, leader_point2, leader_point3, leader_text1})
                std::copy(fresh.begin() + at, fresh.begin() + at + 8, rec.begin() + at);
        } else {
            rec = build_new_leader(x, y);
        }
        RecordRef ref = add_selected(projection, s, rec);
        if (!ref) return 0;
        RecordRef at = ref;
        layout_leader_at_point(projection, &at, x, y, false);
        s->selected_annotation_ref = at;
        if (cloned) s->clone_source = at;
        return at;
    } catch (const std::bad_alloc&) {
        out_of_memory();
        return 0;
    }
}

RecordRef place_text_fragment(uint8_t* projection, AnnotationStage* s, double x, double y, bool shift) {
    try {
        RecordBytes rec;
        const char* refusal = nullptr;
        const uint8_t* src = clone_of(s, annotation_text_fragment);
        bool cloned = src != nullptr;
        if (cloned) {
            bool kept = false;
            build_clone(src, shift, &rec, &kept);
            text_fragment_box(rec.data(), record_text(rec.data(), text_fragment_head), x, y);
        } else if (!build_new_text_fragment(default_fragment_text, x, y, &rec, &refusal)) {
            show_program_message(refusal);
            return 0;
        }
        RecordRef ref = add_selected(projection, s, rec);
        if (cloned && ref) s->clone_source = ref;
        return ref;
    } catch (const std::bad_alloc&) {
        out_of_memory();
        return 0;
    }
}

RecordRef place_section_node(uint8_t* projection, AnnotationStage* s, double x, double y) {
    try {
        RecordBytes rec;
        const uint8_t* sel = s->selected_annotation_ref ? annotation_record_at(s->selected_annotation_ref) : nullptr;
        if (sel && sel[record_kind] == annotation_section && annotation_record_usable(sel)) {
            const char* refusal = nullptr;
            if (!build_section_with_node(sel, x, y, &rec, &refusal)) {
                show_program_message(refusal);
                return 0;
            }
            place_designation_letters(rec.data());
            RecordRef ref = s->selected_annotation_ref;
            if (!projection_annotation_replace(projection, &ref, rec.data())) return 0;
            s->selected_annotation_ref = ref;
            return ref;
        }
        s->selected_annotation_ref = 0;
        rec = build_new_section(x, y);
        place_designation_letters(rec.data());
        return add_selected(projection, s, rec);
    } catch (const std::bad_alloc&) {
        out_of_memory();
        return 0;
    }
}

RecordRef place_tolerance_designation(uint8_t* projection, AnnotationStage* s, uint32_t element, double x, double y) {
    try {
        if (element == 0) return 0;
        RecordBytes rec;
        const uint8_t* src = clone_of(s, annotation_tolerance);
        if (src) {
            rec.assign(src, src + get_u16(src, record_length));
            RecordBytes fresh = build_new_tolerance(element, x, y);
            std::copy(fresh.begin() + tolerance_element, fresh.begin() + tolerance_head,
                      rec.begin() + tolerance_element);
            // The clone keeps its frame size: the right x and the bottom y
            // follow the click.
            double w = get_f32(src, tolerance_frame2) - get_f32(src, tolerance_frame1);
            put_f32(rec.data(), tolerance_frame2, static_cast<float>(x + w));
        } else {
            rec = build_new_tolerance(element, x, y);
        }
        RecordRef ref = add_selected(projection, s, rec);
        if (!ref) return 0;
        if (!src && !build_tolerance_record(projection, &ref, "", "", "")) ref = 0;
        uint8_t* laid = ref ? layout_tolerance_designation(projection, &ref, x, y, false) : nullptr;
        if (!laid || get_f32(laid, tolerance_frame_side) == FLT_MAX) {
            // A frame that cannot be laid out is not kept.
            if (ref) record_delete(current_drawing_file(), projection_chain(projection, projection_annotations), ref,
                                   &page_buffers[table_annotation]);
            s->selected_annotation_ref = 0;
            s->picked_element_ref = 0;
            return 0;
        }
        s->selected_annotation_ref = ref;
        if (src) s->clone_source = ref;
        return ref;
    } catch (const std::bad_alloc&) {
        out_of_memory();
        return 0;
    }
}

RecordRef place_imported_text(uint8_t* projection, double x, double y, int size_index, const char* text) {
    try {
        RecordBytes head(text_fragment_head, 0);
        put_u16(head.data(), record_length, text_fragment_head);
        head[record_kind] = annotation_text_fragment;
        put_u16(head.data(), annotation_flags, static_cast<uint16_t>(0x02 | (clamp_height_index(size_index) << 2)));
        put_u16(head.data(), text_fragment_lines, 1);
        RecordBytes rec;
        const char* refusal = nullptr;
        std::string t = text ? text : "";
        if (!text_fragment_build(head.data(), t, &rec, &refusal)) {
            show_program_message(refusal);
            return 0;
        }
        text_fragment_box(rec.data(), t, x, y);
        AnnotationStage scratch;
        return add_selected(projection, &scratch, rec);
    } catch (const std::bad_alloc&) {
        out_of_memory();
        return 0;
    }
}

// Roughness properties: texts, controls and deletion of a roughness sign.
#include "annotation/roughness_properties.h"

#include "annotation/leader_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "store/record_layouts.h"

RoughnessTexts roughness_texts(const uint8_t* rec) {
    RoughnessTexts t;
    std::string all = record_text(rec, roughness_head);
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        size_t n = rec[roughness_lengths + i];
        if (at > all.size()) at = all.size();
        if (n > all.size() - at) n = all.size() - at;
        t.parts[i] = all.substr(at, n);
        at += n;
    }
    return t;
}

RoughnessTextOutcome roughness_build_text(const uint8_t* old, int control, const std::string& text,
                                          RecordBytes* out, const char** refusal) {
    *refusal = nullptr;
    int part = control == roughness_parameter_edit ? 0 : control == roughness_instructions_edit ? 1
             : control == roughness_base_length_edit ? 2 : -1;
    if (part < 0) return roughness_text_ignored;
    if (part == 0 && text.size() >= 249) return roughness_text_ignored;
    if (text.size() > 255) {
        *refusal = text_refusal_length;
        return roughness_text_refused;
    }
    RoughnessTexts t = roughness_texts(old);
    t.parts[part] = text;
    RecordBytes packed = pack_whole_text(t.parts[0] + t.parts[1] + t.parts[2]);
    if (roughness_head + packed.size() > record_max_length) {
        *refusal = text_refusal_length;
        return roughness_text_refused;
    }
    out->assign(old, old + roughness_head);
    out->insert(out->end(), packed.begin(), packed.end());
    put_u16(out->data(), record_length, static_cast<uint16_t>(out->size()));
    for (int i = 0; i < 3; ++i) (*out)[roughness_lengths + i] = static_cast<uint8_t>(t.parts[i].size());
    return roughness_text_stored;
}

unsigned char* roughness_record_set_text(RecordRef* head, RecordRef* ref, const char* text, int control,
                                         PageBuffer* buf) {
    DrawingFile* df = current_drawing_file();
    if (!df || !text) return nullptr;
    RecordRef at = *ref;
    unsigned char* rec = record_read_at(df, &at, buf);
    if (!rec || error_flag || rec[record_kind] != annotation_roughness) return nullptr;
    RecordBytes built;
    const char* refusal = nullptr;
    RoughnessTextOutcome o;
    try {
        o = roughness_build_text(rec, control, text, &built, &refusal);
    } catch (const std::bad_alloc&) {
        show_program_message(kernel_context().out_of_memory_text);
        error_flag = 1;
        return nullptr;
    }
    if (o == roughness_text_refused) show_program_message(refusal);
    if (o != roughness_text_stored) return rec;
    return annotation_record_replace(head, ref, built.data(), buf);
}

bool roughness_apply_control(uint8_t* rec, int control, int value) {
    uint16_t f = get_u16(rec, annotation_flags);
    auto bit = [&](uint16_t b) {
        put_u16(rec, annotation_flags, static_cast<uint16_t>(value ? (f | b) : (f & ~b)));
        return true;
    };
    switch (control) {
    case roughness_treatment_combo:
        if (value < 0 || value > 2) return false;
        rec[roughness_variant] = static_cast<uint8_t>(value);
        return true;
    case roughness_lay_combo:
        if (value < 0 || value > 7) return false;
        rec[roughness_first_length] = static_cast<uint8_t>(value);
        return true;
    case roughness_contour_check: return bit(0x0040);
    case roughness_requirements_check: return bit(0x1000);
    case roughness_unmarked_check: return bit(0x0800);
    default: return false;
    }
}

int roughness_general_height_index(int index) {
    int i = clamp_height_index(index);
    return i == 0 ? 1 : i;
}

void roughness_detach(uint8_t* rec) {
    put_u16(rec, annotation_flags, static_cast<uint16_t>(get_u16(rec, annotation_flags) & ~0x0180));
    put_u32(rec, record_key, 0);
}

bool roughness_delete(uint8_t* projection, RecordRef* ref) {
    DrawingFile* df = current_drawing_file();
    unsigned char* rec = annotation_record_at(*ref);
    if (!df || !rec || error_flag || rec[record_kind] != annotation_roughness) return false;
    uint32_t key = get_u32(rec, record_key);
    uint16_t f = get_u16(rec, annotation_flags);
    int attachment = (f >> 7) & 3, lines = (f >> 9) & 3;
    RecordRef* annotations = projection_chain(projection, projection_annotations);
    PageBuffer* abuf = &page_buffers[table_annotation];
    if (attachment == 0 && key != 0 && lines != 0) {
        PageBuffer* dbuf = &page_buffers[table_dimensions];
        uint8_t* d = record_find_key(df, projection_chain(projection, projection_dimensions), key, nullptr, dbuf);
        if (d && !error_flag) {
            uint16_t s = get_u16(d, dimension_state);
            if (lines & 1) s = static_cast<uint16_t>(s & ~0x0008);
            if (lines & 2) s = static_cast<uint16_t>(s & ~0x0010);
            put_u16(d, dimension_state, s);
            dbuf->clean = 0;
        }
    } else if (attachment == 1 && key != 0) {
        RecordRef lref = 0;
        unsigned char* l = annotation_find_key_kind(projection, key, annotation_leader, &lref);
        if (l && !error_flag) {
            LeaderTexts t = leader_texts(l);
            if (t.upper.empty() && t.lower.empty()) {
                record_delete(df, annotations, lref, abuf);
                if (error_flag) return false;
                // The page was compacted: find the sign again.
                if (!annotation_find_key_fields(projection, key, 1, 0, ref) || error_flag) {
                    report_document_failure(df);
                    return false;
                }
            } else {
                put_u16(l, annotation_flags, static_cast<uint16_t>(get_u16(l, annotation_flags) & ~0x8000));
                abuf->clean = 0;
            }
        }
    }
    if (error_flag) return false;
    record_delete(df, annotations, *ref, abuf);
    *ref = 0;
    return !error_flag;
}

// Text height for everything already drawn (see the header).
#include "shell/core/text_height_all.h"

#include "annotation/annotation_layout.h"
#include "annotation/leader_properties.h"
#include "annotation/properties_layout_seams.h"
#include "annotation/roughness_placement.h"
#include "annotation/roughness_properties.h"
#include "annotation/tolerance_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "render/output/designation_letters.h"
#include "render/text/text_fragment_layout.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <vector>

bool annotation_size_index_set(uint8_t* rec, int index) {
    if (!rec || index < 0 || index > 9) return false;
    int kind = rec[record_kind];
    if (kind == annotation_hatching || kind >= annotation_kind_count) return false;
    int shift = kind <= annotation_leader ? 7 : 2;
    uint16_t f = get_u16(rec, annotation_flags);
    if (((f >> shift) & 0x0F) == index) return false;
    f = static_cast<uint16_t>((f & ~(0x0F << shift)) | (index << shift));
    put_u16(rec, annotation_flags, f);
    return true;
}

namespace {

bool has_text(const uint8_t* rec) {
    int kind = rec[record_kind];
    return kind != annotation_hatching && kind < annotation_kind_count;
}

// Lays the record at *ref out again after its index changed; false when the
// walk must end.
bool relayout(DrawingFile* df, RecordRef projection_ref, RecordRef* ref, int index) {
    PageBuffer* pb = &page_buffers[table_projections];
    PageBuffer* ab = &page_buffers[table_annotation];
    RecordRef at = projection_ref;
    uint8_t* p = record_read_at(df, &at, pb);
    RecordRef r_at = *ref;
    uint8_t* rec = p ? record_read_at(df, &r_at, ab) : nullptr;
    if (!rec) return false;
    switch (rec[record_kind]) {
    case annotation_dimension_text: {
        uint32_t number = get_u32(rec, record_key);
        RecordRef dh = get_u32(p, projection_dimensions);
        if (!record_find_key(df, &dh, number, nullptr, &page_buffers[table_dimensions])) {
            // A label without its dimension: it goes, and the drawing is
            // reported damaged.
            p = record_read_at(df, &(at = projection_ref), pb);
            if (p) {
                record_delete(df, projection_chain(p, projection_annotations), *ref, ab);
                pb->clean = 0;
            }
            report_document_failure(df);
            return false;
        }
        properties_layout.relayout_dimension(p, number);
        break;
    }
    case annotation_leader: {
        Point2 pt = leader_text_point(rec, annotation_text_height(index), sheet_to_model_length(1.24));
        // A leader that carries a roughness sign takes the sign along.
        if (get_u16(rec, annotation_flags) & 0x8000)
            layout_roughness_on_leader(p, get_u32(rec, record_key), ref, pt.x, pt.y, false);
        else
            layout_leader_at_point(p, ref, pt.x, pt.y, false);
        break;
    }
    case annotation_text_fragment:
        layout_text_fragment(p, rec);
        break;
    case annotation_section:
        place_designation_letters(rec);
        break;
    case annotation_roughness: {
        // A sign on a leader: the leader's shelf follows the sign's new
        // size.  A sign whose leader is gone stands free from now on.
        Box box = roughness_sign_box(rec);
        RecordRef sign_ref = *ref;
        if (!fit_roughness_leader(p, &sign_ref, &box) && !error_flag) {
            if (uint8_t* sign = annotation_record_at(sign_ref)) roughness_detach(sign);
        }
        break;
    }
    case annotation_tolerance: {
        // The frame stays at its top-left corner; its cells follow the texts.
        double x = get_f32(rec, tolerance_frame1), y = get_f32(rec, tolerance_frame2 + 4);
        if (build_tolerance_record(p, ref, nullptr, nullptr, nullptr)) {
            p = record_read_at(df, &(at = projection_ref), pb);
            if (p) layout_tolerance_designation(p, ref, x, y, false);
        }
        break;
    }
    default:
        break;
    }
    ab->clean = 0;
    return error_flag == 0;
}

}  // namespace

TextHeightAllResult text_height_apply_to_all(DrawingFile* df, int index) {
    TextHeightAllResult out;
    if (!df || !df->header || index < 0 || index > 9) return out;
    error_flag = 0;
    PageBuffer* pb = &page_buffers[table_projections];
    PageBuffer* ab = &page_buffers[table_annotation];
    std::vector<RecordRef> projections;
    RecordRef head = get_u32(df->header, header_projections);
    for (unsigned char* p = record_next(df, &head, nullptr, pb); p; p = record_next(df, &head, p, pb))
        projections.push_back(record_ref_of(pb, p));
    for (RecordRef pref : projections) {
        unsigned here = 0;
        bool stop = false;
        // One record at a time, the chain walked from its head each time: a
        // layout may move records (a longer one is stored anew), so no
        // reference is kept across it.  Each pass fixes one record for good.
        for (;;) {
            RecordRef at = pref;
            uint8_t* p = record_read_at(df, &at, pb);
            if (!p) break;
            RecordRef chain = get_u32(p, projection_annotations);
            uint8_t* found = nullptr;
            for (unsigned char* r = record_next(df, &chain, nullptr, ab); r; r = record_next(df, &chain, r, ab))
                if (has_text(r) && annotation_size_index(r) != index) {
                    found = r;
                    break;
                }
            // Every pass fixes one record; a chain cannot hold more.
            if (!found || here > 1000000) break;
            annotation_size_index_set(found, index);
            ab->clean = 0;
            ++here;
            RecordRef ref = record_ref_of(ab, found);
            if (!relayout(df, pref, &ref, index)) {
                stop = true;
                break;
            }
        }
        if (here) {
            RecordRef at = pref;
            if (uint8_t* p = record_read_at(df, &at, pb)) {
                projection_compute_annotation_extents(p);
                pb->clean = 0;
            }
            out.records += here;
            ++out.projections;
        }
        if (stop) {
            out.failed = true;
            break;
        }
    }
    return out;
}

// Hatching placement: marking a closed area and seeding it again.
#include "annotation/hatching_placement.h"

#include <cstring>

#include "annotation/annotation_records.h"
#include "annotation/hatching_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/naming.h"
#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "render/contours/hatch_patterns.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const hatching_impossible_message = "В указанной точке штриховка невозможна:";
const char* const hatching_no_contour_detail = "нет замкнутого контура";

namespace {

void put_seed(uint8_t* rec, double x, double y) {
    put_f32(rec, hatching_seed, static_cast<float>(x));
    put_f32(rec, hatching_seed + 4, static_cast<float>(y));
}

// The number of the closed contour around (x, y), stored; 0 when there is
// none (reported).
uint32_t contour_around(uint8_t* projection, double x, double y) {
    uint8_t* contour = find_closed_contour(projection, Point2{x, y}, 2, 0);
    if (!contour || error_flag) {
        error_flag = 0;
        error_stack_push(hatching_no_contour_detail);
        show_program_message(hatching_impossible_message);
        return 0;
    }
    return get_u32(contour, record_key);
}

// A new hatching: the first kind of the hatch-kind table with the defaults
// of its parameters.
RecordBytes new_hatching() {
    RecordBytes r(hatching_record_size, 0);
    put_u16(r.data(), record_length, hatching_record_size);
    r[record_kind] = annotation_hatching;
    const HatchKind& k = hatch_kinds[1];
    r[hatching_kind_code] = k.code;
    if (k.parameter1.label) put_f32(r.data(), hatching_param1, k.parameter1.default_value);
    if (k.parameter2.label) put_f32(r.data(), hatching_param2, k.parameter2.default_value);
    return r;
}

// The default name of a hatching: its contour number in base 41, or empty
// when another hatching or contour of the drawing already has that name.
// (The search reads other records: callers hold copies, not pointers.)
void default_name(uint32_t contour, uint8_t name[6]) {
    ShortName n{};
    short_name_base41(contour, &n);
    std::memcpy(name, n.text, 6);
    if (find_contour_by_name(name, nullptr, nullptr)) std::memset(name, 0, 6);
    error_flag = 0;
}

bool name_empty(const uint8_t* name) {
    static const uint8_t empty[6] = {};
    return std::memcmp(name, empty, 6) == 0;
}

// The usable hatching of the projection that marks contour `number`.
unsigned char* hatching_of(uint8_t* projection, uint32_t number, RecordRef* ref) {
    unsigned char* h = annotation_find_key_kind(projection, number, annotation_hatching, ref);
    return h && annotation_record_usable(h) ? h : nullptr;
}

// Whether any hatching of the projection still marks contour `number`.
bool contour_marked(uint8_t* projection, uint32_t number) {
    RecordRef ref = 0;
    bool marked = annotation_find_key_kind(projection, number, annotation_hatching, &ref) != nullptr;
    error_flag = 0;
    return marked;
}

// Deletes the hatch contour `number` (its continuation chunks too) once no
// hatching marks it.  Only contours traced for hatching (kind 2) go: a
// contour the user built stays whatever marks it.
void drop_unmarked_hatch_contour(uint8_t* projection, uint32_t number) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_contours);
    if (!df || !head || !number || contour_marked(projection, number)) return;
    PageBuffer* buf = &page_buffers[table_contours];
    auto ours = [&](const unsigned char* r) {
        return get_u16(r, record_length) >= contour_flags + 2 && get_u32(r, contour_number) == number;
    };
    bool hatch_contour = false;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf)) {
        uint16_t flags = ours(r) ? get_u16(r, contour_flags) : 0;
        if (ours(r) && !(flags & contour_flag_continuation) && (flags & contour_flag_kind) == 2) hatch_contour = true;
    }
    if (error_flag || !hatch_contour) {
        error_flag = 0;
        return;
    }
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag;)
        r = ours(r) ? record_delete_and_next(df, head, r, buf) : record_next(df, head, r, buf);
}

}  // namespace

RecordRef place_hatching(uint8_t* projection, AnnotationStage* s, double x, double y) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_annotations);
    if (!df || !head) return 0;
    PageBuffer* buf = &page_buffers[table_annotation];
    RecordBytes clone;
    if (s->clone_source) {
        const uint8_t* c = annotation_record_at(s->clone_source);
        if (c && c[record_kind] == annotation_hatching && annotation_record_usable(c))
            clone.assign(c, c + hatching_record_size);
        else
            s->clone_source = 0;
    }
    uint32_t number = contour_around(projection, x, y);
    if (!number) return 0;
    RecordRef ref = 0;
    unsigned char* existing = hatching_of(projection, number, &ref);
    if (existing && clone.empty()) {
        // The area is marked already: only its seed moves.
        put_seed(existing, x, y);
        buf->clean = 0;
        s->selected_annotation_ref = ref;
        return ref;
    }
    RecordBytes rec = clone.empty() ? new_hatching() : clone;
    std::memset(rec.data() + hatching_name, 0, 6);
    if (existing) {
        // Replaced by the clone source's copy, keeping its name.
        std::memcpy(rec.data() + hatching_name, existing + hatching_name, 6);
        record_delete(df, head, ref, buf);
        if (error_flag) return 0;
    }
    put_u32(rec.data(), record_key, number);
    put_u32(rec.data(), hatching_binding, 0);
    put_seed(rec.data(), x, y);
    if (name_empty(rec.data() + hatching_name)) default_name(number, rec.data() + hatching_name);
    ref = record_add(df, head, rec.data(), buf);
    if (!ref || error_flag) return 0;
    page_buffers[table_projections].clean = 0;
    s->selected_annotation_ref = ref;
    if (!clone.empty()) s->clone_source = ref;
    return ref;
}

int reseed_hatching(uint8_t* projection, AnnotationStage* s, RecordRef* ref) {
    DrawingFile* df = current_drawing_file();
    RecordRef* head = projection_chain(projection, projection_annotations);
    unsigned char* h = ref ? annotation_record_at(*ref) : nullptr;
    if (!df || !head || !h || h[record_kind] != annotation_hatching || !annotation_record_usable(h)) return 0;
    double x = get_f32(h, hatching_seed), y = get_f32(h, hatching_seed + 4);
    uint32_t own = get_u32(h, record_key);
    if (get_u16(h, annotation_flags) & 1) {
        RecordRef* contours = projection_chain(projection, projection_contours);
        uint8_t* c = contours ? find_contour_by_number(df, contours, own) : nullptr;
        bool inside = c && point_in_contour(projection, Point2{x, y}, c);
        error_flag = 0;
        if (inside) return 0;
    }
    uint32_t number = contour_around(projection, x, y);
    if (!number) return 0;
    PageBuffer* buf = &page_buffers[table_annotation];
    if (number == own) return 0;  // still its own area: the moved seed stands
    RecordRef other = 0;
    unsigned char* existing = hatching_of(projection, number, &other);
    if (existing) {
        // Another hatching marks that area: it takes the seed, the moved
        // one goes.
        put_seed(existing, x, y);
        buf->clean = 0;
        RecordRef gone = *ref;
        record_delete(df, head, gone, buf);
        if (error_flag) return 0;
        existing = hatching_of(projection, number, &other);
        *ref = existing ? other : 0;
        drop_unmarked_hatch_contour(projection, own);
    } else {
        // A new area: the moved hatching marks it; a name that was its old
        // contour's default follows the new contour.
        ShortName old_name{};
        short_name_base41(own, &old_name);
        uint8_t name[6] = {};
        bool renamed = false;
        h = annotation_record_at(*ref);
        if (h && std::memcmp(h + hatching_name, old_name.text, 6) == 0) {
            default_name(number, name);
            renamed = true;
        }
        h = annotation_record_at(*ref);
        if (!h) return 0;
        put_u32(h, record_key, number);
        if (renamed) std::memcpy(h + hatching_name, name, 6);
        buf->clean = 0;
        drop_unmarked_hatch_contour(projection, own);
    }
    s->selected_annotation_ref = *ref;
    page_buffers[table_projections].clean = 0;
    return 1;
}

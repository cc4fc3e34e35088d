// Element layers, contour properties and fold checks.
#include "stages/points_elements/element_layers.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/program_messages.h"
#include "geometry/metric.h"
#include "render/contours/contour_lists.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/marking_contours.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

PageBuffer* construction_buffer() { return &page_buffers[table_construction]; }
PageBuffer* element_buffer() { return &page_buffers[table_elements]; }
PageBuffer* contour_buffer() { return &page_buffers[table_contours]; }

// The first construction record of `kind` (and layer, for colours).
unsigned char* find_layer_record(DrawingFile* df, unsigned char* projection, uint8_t kind, int layer) {
    RecordRef* head = projection_chain(projection, projection_construction);
    PageBuffer* b = construction_buffer();
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        uint16_t len = get_u16(r, record_length);
        if (len < 10 || r[record_kind] != kind) continue;
        if (kind == construction_layer_colour && (get_u16(r, 8) & 7) != layer) continue;
        if (kind == construction_layer_mask && len < 12) continue;
        return r;
    }
    return nullptr;
}

// The head chunk of contour `number`.
unsigned char* contour_head_record(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* b = contour_buffer();
    for (unsigned char* c = record_next(df, head, nullptr, b); c && !error_flag; c = record_next(df, head, c, b))
        if (get_u32(c, contour_number) == number && get_u16(c, record_length) >= contour_head_size &&
            !(get_u16(c, contour_flags) & contour_flag_continuation))
            return c;
    return nullptr;
}

std::string name_of(const unsigned char* c) {
    std::string s(reinterpret_cast<const char*>(c + contour_name_offset), contour_name_size);
    size_t z = s.find('\0');
    if (z != std::string::npos) s.resize(z);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string trimmed(const std::string& s) {
    size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return std::string();
    size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

// The first record of an element number that is not a generated image.
unsigned char* element_source(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b))
        if (get_u32(e, element_number) == number && !(get_u16(e, element_options) & element_opt_image) &&
            !(get_u16(e, element_flags) & element_flag_screen_piece))
            return e;
    return nullptr;
}

struct FoldLine {
    uint32_t fold;
    uint32_t line;
    uint32_t ends[2];
};

// Every fold contour of the projection with its single line (0 when it has
// not exactly one straight line).
std::vector<FoldLine> fold_lines(DrawingFile* df, unsigned char* projection) {
    std::vector<uint32_t> folds;
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* b = contour_buffer();
    for (unsigned char* c = record_next(df, head, nullptr, b); c && !error_flag; c = record_next(df, head, c, b))
        if (get_u16(c, record_length) >= contour_head_size && !(get_u16(c, contour_flags) & contour_flag_continuation) &&
            (get_u16(c, contour_flags) & contour_flag_kind) == contour_kind_fold)
            folds.push_back(get_u32(c, contour_number));
    std::vector<FoldLine> out;
    for (uint32_t f : folds) {
        std::vector<uint32_t> members;
        contour_member_list(df, projection, f, &members, nullptr, nullptr);
        FoldLine fl{f, 0, {0, 0}};
        if (members.size() == 1) {
            unsigned char* e = element_source(df, projection, members[0]);
            if (e && element_kind(e) == element_kind_segment) {
                fl.line = members[0];
                fl.ends[0] = get_u32(e, element_points);
                fl.ends[1] = get_u32(e, element_points + 4);
            }
        }
        out.push_back(fl);
    }
    return out;
}

}  // namespace

uint16_t layer_mask_read(DrawingFile* df, unsigned char* projection, uint16_t fallback) {
    unsigned char* r = find_layer_record(df, projection, construction_layer_mask, 0);
    return r ? get_u16(r, 8) : fallback;
}

bool layer_mask_store(DrawingFile* df, unsigned char* projection, uint16_t mask) {
    unsigned char* r = find_layer_record(df, projection, construction_layer_mask, 0);
    if (r) {
        put_u16(r, 8, mask);
        construction_buffer()->clean = 0;
        return true;
    }
    unsigned char rec[12] = {};
    put_u16(rec, record_length, 12);
    rec[record_kind] = construction_layer_mask;
    put_u16(rec, 8, mask);
    return record_add(df, projection_chain(projection, projection_construction), rec, construction_buffer()) != 0;
}

uint32_t layer_colour_read(DrawingFile* df, unsigned char* projection, int layer) {
    unsigned char* r = find_layer_record(df, projection, construction_layer_colour, layer);
    if (!r) return 0;
    return static_cast<uint32_t>(r[4]) | (static_cast<uint32_t>(r[3]) << 8) | (static_cast<uint32_t>(r[2]) << 16);
}

bool layer_colour_store(DrawingFile* df, unsigned char* projection, int layer, uint32_t colour) {
    unsigned char* r = find_layer_record(df, projection, construction_layer_colour, layer);
    unsigned char rec[10] = {};
    if (!r) {
        if ((colour & 0xFFFFFF) == 0) return true;
        put_u16(rec, record_length, 10);
        rec[record_kind] = construction_layer_colour;
        put_u16(rec, 8, static_cast<uint16_t>(layer & 7));
        r = rec;
    }
    r[2] = static_cast<unsigned char>(colour >> 16);  // blue
    r[3] = static_cast<unsigned char>(colour >> 8);   // green
    r[4] = static_cast<unsigned char>(colour);        // red
    if (r != rec) {
        construction_buffer()->clean = 0;
        return true;
    }
    return record_add(df, projection_chain(projection, projection_construction), rec, construction_buffer()) != 0;
}

bool layer_has_elements(DrawingFile* df, unsigned char* projection, int layer) {
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b))
        if (element_layer(e) == layer) return true;
    return false;
}

int layer_assign_marked(DrawingFile* df, unsigned char* projection, int layer) {
    std::vector<uint32_t> numbers;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b))
        if (get_u16(e, element_flags) & element_flag_marked) numbers.push_back(get_u32(e, element_number));
    int changed = 0;
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        uint32_t n = get_u32(e, element_number);
        bool hit = false;
        for (uint32_t m : numbers) hit = hit || m == n;
        if (!hit) continue;
        uint16_t o = get_u16(e, element_options);
        uint16_t p = static_cast<uint16_t>((o & ~element_opt_layer) | ((layer & 7) << 13));
        if (p == o) continue;
        put_u16(e, element_options, p);
        b->clean = 0;
        ++changed;
    }
    return changed;
}

int layer_mark_elements(DrawingFile* df, unsigned char* projection, int layer, bool marked) {
    int changed = 0;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = element_buffer();
    for (unsigned char* e = record_next(df, head, nullptr, b); e && !error_flag; e = record_next(df, head, e, b)) {
        if (element_layer(e) != layer) continue;
        uint16_t f = get_u16(e, element_flags);
        uint16_t g = marked ? static_cast<uint16_t>(f | element_flag_marked)
                            : static_cast<uint16_t>(f & ~element_flag_marked);
        if (g == f) continue;
        put_u16(e, element_flags, g);
        b->clean = 0;
        ++changed;
    }
    return changed;
}

int layer_unmark_hidden(DrawingFile* df, unsigned char* projection, uint16_t mask) {
    int changed = 0;
    for (int layer = 1; layer < 8; ++layer)
        if (!(mask & (1u << layer))) changed += layer_mark_elements(df, projection, layer, false);
    return changed;
}

int colour_component_typed(const char* text) {
    if (!text) return 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text) return 0;
    if (v < 0) v = -v;
    return v > 255 ? 255 : static_cast<int>(v);
}

bool contour_properties_read(DrawingFile* df, unsigned char* projection, uint32_t number, int* line_type,
                             std::string* name, int* kind) {
    unsigned char* c = contour_head_record(df, projection, number);
    if (!c) return false;
    uint16_t f = get_u16(c, contour_flags);
    if (line_type) *line_type = (f >> 3) & 0x0F;
    if (kind) *kind = f & contour_flag_kind;
    if (name) *name = name_of(c);
    return true;
}

bool contour_name_taken(DrawingFile* df, unsigned char* projection, uint32_t number, const std::string& name) {
    std::string want = trimmed(name);
    if (want.empty()) return false;
    RecordRef* head = projection_chain(projection, projection_contours);
    PageBuffer* b = contour_buffer();
    for (unsigned char* c = record_next(df, head, nullptr, b); c && !error_flag; c = record_next(df, head, c, b)) {
        if (get_u16(c, record_length) < contour_head_size || (get_u16(c, contour_flags) & contour_flag_continuation))
            continue;
        if (get_u32(c, contour_number) == number) continue;
        if (trimmed(name_of(c)) == want) return true;
    }
    return false;
}

bool contour_properties_store(DrawingFile* df, unsigned char* projection, uint32_t number, int line_type,
                              const std::string& name) {
    unsigned char* c = contour_head_record(df, projection, number);
    if (!c) return false;
    uint16_t f = get_u16(c, contour_flags);
    put_u16(c, contour_flags, static_cast<uint16_t>((f & ~0x0078) | ((line_type & 0x0F) << 3)));
    std::string n = trimmed(name).substr(0, contour_name_size);
    std::memset(c + contour_name_offset, 0, contour_name_size);
    std::memcpy(c + contour_name_offset, n.data(), n.size());
    contour_buffer()->clean = 0;
    return true;
}

int fold_check_opening(DrawingFile* df, unsigned char* projection, uint32_t fold, uint32_t* line) {
    std::vector<FoldLine> all = fold_lines(df, projection);
    const FoldLine* me = nullptr;
    for (const FoldLine& f : all)
        if (f.fold == fold) me = &f;
    if (!me || !me->line) return fold_not_one_line;
    if (line) *line = me->line;
    for (const FoldLine& f : all) {
        if (f.fold == fold || !f.line) continue;
        if (f.line == me->line) return fold_line_shared;
        for (uint32_t a : me->ends)
            for (uint32_t b : f.ends)
                if (a && a == b) return fold_point_shared;
    }
    return fold_ok;
}

const char* fold_opening_message(int why) {
    switch (why) {
    case fold_not_one_line: return "Указателем складки может быть только одна прямая линия";
    case fold_line_shared: return "%о использовать одну и ту же линию в нескольких складках";
    case fold_point_shared: return "%о использовать одну и ту же точку для нескольких складок";
    default: return "";
    }
}

int fold_check_widths(double start, double end, double line_length) {
    if (start == 0 && end == 0) return 1;
    if (line_length < std::fabs(start - end)) return 2;
    return 0;
}

bool fold_read(DrawingFile* df, unsigned char* projection, uint32_t fold, FoldFields* out) {
    unsigned char* c = contour_head_record(df, projection, fold);
    if (!c) return false;
    out->start = get_f32(c, fold_width_start);
    out->end = get_f32(c, fold_width_end);
    out->variable_start = get_u16(c, fold_variable_start);
    out->variable_end = get_u16(c, fold_variable_end);
    out->flags = get_u16(c, fold_flags_offset);
    out->name = name_of(c);
    return true;
}

bool fold_store(DrawingFile* df, unsigned char* projection, uint32_t fold, const FoldFields& in) {
    unsigned char* c = contour_head_record(df, projection, fold);
    if (!c) return false;
    put_f32(c, fold_width_start, in.start);
    put_f32(c, fold_width_end, in.end);
    put_u16(c, fold_variable_start, in.variable_start);
    put_u16(c, fold_variable_end, in.variable_end);
    put_u16(c, fold_flags_offset, in.flags);
    std::string n = trimmed(in.name).substr(0, contour_name_size);
    std::memset(c + contour_name_offset, 0, contour_name_size);
    std::memcpy(c + contour_name_offset, n.data(), n.size());
    contour_buffer()->clean = 0;
    return true;
}

double fold_line_length(DrawingFile* df, unsigned char* projection, uint32_t fold) {
    std::vector<uint32_t> members;
    if (!contour_member_list(df, projection, fold, &members, nullptr, nullptr) || members.size() != 1) return -1;
    unsigned char* e = element_source(df, projection, members[0]);
    if (!e || element_kind(e) != element_kind_segment) return -1;
    return point_distance(get_point2(e, element_coords2), get_point2(e, element_coords2 + 16));
}

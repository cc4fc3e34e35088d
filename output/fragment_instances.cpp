// Fragment instances: insertion, removal, lookup and renumbering.
#include "output/fragment_instances.h"

#include <algorithm>
#include <set>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/naming.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {
int ask_no(int, const char*) { return 0; }
void prompt_nothing(const char*) {}
int checkpoint_nothing() { return 0; }
// Without the contour rules of the image stage: the contour's records
// (its continuation chunks too) are deleted and nothing else changes.
void delete_contour_records(DrawingFile* df, uint8_t* projection, uint32_t number) {
    RecordRef* h = reinterpret_cast<RecordRef*>(projection + projection_contours);
    PageBuffer* buf = &page_buffers[table_contours];
    for (;;) {
        uint8_t* hit = nullptr;
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            if (get_u32(r, contour_number) == number) {
                hit = r;
                break;
            }
        if (!hit) return;
        record_delete(df, h, record_ref_of(buf, hit), buf);
        if (error_flag) return;
    }
}
int rebuild_nothing(DrawingFile*, uint8_t*) { return 0; }
// The bar records along the element (key at 2); their outlines stay.
void delete_bar_records_only(DrawingFile* df, uint8_t* projection, uint32_t element) {
    RecordRef* h = reinterpret_cast<RecordRef*>(projection + projection_construction);
    PageBuffer* buf = &page_buffers[table_construction];
    for (;;) {
        uint8_t* hit = nullptr;
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            if (r[record_kind] == construction_bar && get_u16(r, record_length) >= 8 && get_u32(r, record_key) == element) {
                hit = r;
                break;
            }
        if (!hit) return;
        record_delete(df, h, record_ref_of(buf, hit), buf);
        if (error_flag) return;
    }
}
}  // namespace

const FragmentShell fragment_shell_unbound = {ask_no,           prompt_nothing,  checkpoint_nothing,
                                              delete_contour_records, rebuild_nothing, delete_bar_records_only};
FragmentShell fragment_shell = fragment_shell_unbound;

const char* const text_fragment_wait = "Ждите завершения вставки";
const char* const text_fragment_done = "Вставка завершена";
const char* const text_fragment_rotated = "  Вставить фрагмент несмотря на это?";

namespace {

enum : uint16_t { projection_flag_directed = 0x1000 };

struct Chain {
    uint32_t offset;
    int table;
};
const Chain instance_chains[] = {
    {projection_points, table_points},         {projection_elements, table_elements},
    {projection_dimensions, table_dimensions}, {projection_links, table_links},
    {projection_contours, table_contours},     {projection_annotations, table_annotation},
    {projection_construction, table_construction},
};

// Where a record of a chain keeps an instance number: its offset and
// width (2 or 4), 0 when the record carries none.
uint32_t instance_field(uint32_t chain, const uint8_t* r, int* width) {
    *width = 2;
    uint16_t len = get_u16(r, record_length);
    switch (chain) {
    case projection_points: return len >= point_record_size ? uint32_t{point_fragment} : 0u;
    case projection_elements: return len >= element_head_size ? uint32_t{element_fragment} : 0u;
    case projection_dimensions: return len >= 32 ? uint32_t{30} : 0u;
    case projection_links: return len >= link_record_size ? uint32_t{link_zero} : 0u;
    case projection_contours: return len >= contour_head_size ? uint32_t{contour_fragment} : 0u;
    case projection_annotations:
        // A u16: the point binding follows at 14.
        return (r[record_kind] == annotation_leader || r[record_kind] == annotation_text_fragment) && len >= 18 ? 12u : 0u;
    case projection_construction:
        switch (r[record_kind]) {
        case construction_fragment_instance: return len >= fragment_record_size ? uint32_t{fragment_instance} : 0u;
        case construction_contour_map: return len >= number_map_size ? uint32_t{contour_map_instance} : 0u;
        case construction_bar: return len >= 12 ? uint32_t{bar_instance} : 0u;
        case construction_number_map: return len == number_map_size ? uint32_t{number_map_instance} : 0u;
        }
        return 0;
    }
    return 0;
}

uint32_t instance_of(uint32_t chain, const uint8_t* r) {
    int width;
    uint32_t at = instance_field(chain, r, &width);
    if (!at) return 0;
    return width == 4 ? get_u32(r, at) : get_u16(r, at);
}

RecordRef* head_of(uint8_t* projection, uint32_t chain) { return reinterpret_cast<RecordRef*>(projection + chain); }

template <class Pred>
void delete_where(DrawingFile* df, uint8_t* projection, uint32_t chain, int table, Pred pred) {
    RecordRef* h = head_of(projection, chain);
    PageBuffer* buf = &page_buffers[table];
    for (;;) {
        uint8_t* hit = nullptr;
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            if (pred(r)) {
                hit = r;
                break;
            }
        if (!hit) return;
        record_delete(df, h, record_ref_of(buf, hit), buf);
        if (error_flag) return;
    }
}

}  // namespace

FragmentPlacementInput fragment_placement_input(const FragmentInsertParams& params, const FragmentSettings& settings,
                                                const uint8_t* target, const uint8_t* source) {
    FragmentPlacementInput in;
    in.source_count = params.source_count;
    in.target_count = params.target_count;
    for (int i = 0; i < 3; ++i) {
        in.source[i] = params.source_xy[i];
        in.target[i] = params.target_xy[i];
    }
    in.source_scale = get_f64(source, projection_scale_offset);
    in.target_scale = get_f64(target, projection_scale_offset);
    in.both_directed = (get_u16(source, projection_flags) & projection_flag_directed) &&
                       (get_u16(target, projection_flags) & projection_flag_directed);
    in.without_dimensions = (settings.mode & fragment_mode_without_dimensions) != 0;
    in.user_parameters = (settings.mode & fragment_mode_user_parameters) != 0;
    in.user_scale = settings.scale;
    in.user_angle = settings.angle;
    in.user_mirror = (settings.mode & fragment_mode_mirrored) != 0;
    return in;
}

int confirm_rotated_dimensions(DrawingFile* source_df, const uint8_t* source) {
    std::vector<uint8_t> copy(source, source + get_u16(source, record_length));
    RecordRef h = get_u32(copy.data(), projection_dimensions);
    PageBuffer* buf = &page_buffers[table_dimensions];
    bool affected = false;
    for (uint8_t* r = record_next(source_df, &h, nullptr, buf); r; r = record_next(source_df, &h, r, buf))
        if (get_u16(r, record_length) >= dimension_value_word + 2 && fragment_dimension_keeps_direction(r)) {
            affected = true;
            break;
        }
    if (!affected) return 0;
    return fragment_shell.ask(12, text_fragment_rotated) == 1 ? 0 : 1;
}

uint8_t* fragment_projection_in(DrawingFile* df, uint32_t key) {
    if (!df || !df->header) return nullptr;
    RecordRef head = get_u32(df->header, header_projections);
    RecordRef from = 0;
    return record_find_key(df, &head, key, &from, &page_buffers[table_projections]);
}

int insert_fragment(DrawingFile* df, uint32_t target_key, DrawingFile* source_df, uint32_t source_key,
                    FragmentInsertParams* params, const FragmentSettings& settings, bool checkpoint,
                    FragmentCopyResult* result) {
    if (!df || !source_df || !params) return fragment_failed;
    point_numbers_rebuild();
    element_numbers_rebuild();
    if (checkpoint && fragment_shell.checkpoint() != 0) return fragment_failed;
    const uint8_t* found = fragment_projection_in(source_df, source_key);
    if (!found) return fragment_failed;
    std::vector<uint8_t> source_copy(found, found + get_u16(found, record_length));
    const uint8_t* source = source_copy.data();
    uint8_t* target = fragment_projection_in(df, target_key);
    if (!target) return fragment_failed;
    struct Dirty {
        ~Dirty() { page_buffers[table_projections].clean = 0; }
    } dirty;

    bool reinsert = settings.reinsert && params->instance != 0;
    if (!reinsert && get_u16(target, projection_fragment_counter) >= 65535) {
        show_program_message(text_fragment_counter_full);
        error_flag = 1;
        return fragment_failed;
    }
    FragmentPlacementInput in = fragment_placement_input(*params, settings, target, source);
    FragmentPlacement placement;
    if (fragment_placement_compute(in, false, &placement) == placement_ask_points) {
        if (fragment_shell.ask(6, "") != 1) return fragment_refused;
        fragment_placement_compute(in, true, &placement);
    }
    bool with_dimensions = !(settings.mode & fragment_mode_without_dimensions);
    if (with_dimensions && fragment_placement_turns(placement) && confirm_rotated_dimensions(source_df, source))
        return fragment_refused;

    if (reinsert) remove_fragment_instance(df, target, params->instance, true);
    if (error_flag) return fragment_failed;
    if (!settings.reinsert) fragment_shell.prompt(text_fragment_wait);

    FragmentCopyRequest request;
    request.params = params;
    request.mode = static_cast<uint8_t>(settings.mode | fragment_mode_always);
    request.reinsert = reinsert;
    request.placement = &placement;
    FragmentCopyResult local;
    if (!result) result = &local;
    if (settings.only_marked && !reinsert) {
        // The marked elements alone: no instance record, nothing to re-insert.
        if (insert_marked_elements(df, target, source, source_df, &placement, params, result) != 0)
            return fragment_failed;
        fragment_shell.prompt(text_fragment_done);
        return error_flag ? fragment_failed : fragment_inserted;
    }
    if (insert_fragment_records(df, target, source, source_df, request, result) != 0) return fragment_failed;
    params->instance = result->instance;

    uint8_t rec[fragment_record_size] = {};
    put_u16(rec, record_length, fragment_record_size);
    put_u32(rec, fragment_source, get_u32(source, record_key));
    rec[record_kind] = construction_fragment_instance;
    rec[fragment_mode] = static_cast<uint8_t>(settings.mode | fragment_mode_always);
    put_u16(rec, fragment_instance, result->instance);
    put_u16(rec, fragment_source_bindings, static_cast<uint16_t>(params->source_count));
    put_u16(rec, fragment_target_bindings, static_cast<uint16_t>(params->target_count));
    for (int i = 0; i < 3; ++i) {
        put_u32(rec, fragment_source_points + 4 * i, i < params->source_count ? params->source_points[i] : 0);
        put_u32(rec, fragment_target_points + 4 * i, i < params->target_count ? params->target_points[i] : 0);
    }
    put_f64(rec, fragment_scale, settings.scale);
    put_f64(rec, fragment_angle, settings.angle);
    if (!record_add_at_end(df, head_of(target, projection_construction), rec, &page_buffers[table_construction]))
        return fragment_failed;

    if (reinsert) {
        // Contours that the fragment no longer has lose their maps.
        uint16_t instance = result->instance;
        delete_where(df, target, projection_construction, table_construction, [instance](const uint8_t* r) {
            return r[record_kind] == construction_contour_map && get_u16(r, contour_map_instance) == instance &&
                   !(r[construction_flags] & 1);
        });
        RecordRef* h = head_of(target, projection_construction);
        PageBuffer* buf = &page_buffers[table_construction];
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            if (r[record_kind] == construction_contour_map && get_u16(r, contour_map_instance) == instance) {
                r[construction_flags] &= static_cast<uint8_t>(~1);
                buf->clean = 0;
            }
    } else {
        fragment_shell.prompt(text_fragment_done);
    }
    return error_flag ? fragment_failed : fragment_inserted;
}

void remove_fragment_instance(DrawingFile* df, uint8_t* projection, uint16_t instance, bool keep_maps) {
    if (!df || !projection || instance == 0) return;
    // Bars along the instance's elements (a copied bar takes a serial of
    // its own, so it is found by its centre element), with their outlines
    // and corner points; then bars that carry the instance number itself.
    std::set<uint32_t> centres;
    {
        RecordRef* h = head_of(projection, projection_elements);
        PageBuffer* buf = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            // Option bit 5: the element is the centre line of a bar.
            if (instance_of(projection_elements, r) == instance && (get_u16(r, element_options) & element_opt_from_source))
                centres.insert(get_u32(r, element_number));
    }
    for (uint32_t e : centres) {
        fragment_shell.delete_bars(df, projection, e);
        if (error_flag) return;
    }
    delete_where(df, projection, projection_construction, table_construction, [instance](const uint8_t* r) {
        return r[record_kind] == construction_bar && instance_of(projection_construction, r) == instance;
    });
    // Graphic elements; their numbers go back once each.
    std::set<uint32_t> element_numbers;
    delete_where(df, projection, projection_elements, table_elements, [&](const uint8_t* r) {
        if (instance_of(projection_elements, r) != instance) return false;
        element_numbers.insert(get_u32(r, element_number));
        return true;
    });
    for (uint32_t n : element_numbers) element_number_release(n);
    // Points of the instance that no element uses any more.
    std::set<uint32_t> used;
    {
        RecordRef* h = head_of(projection, projection_elements);
        PageBuffer* buf = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            for (const ElementPlace& p : fragment_element_places(r))
                if (p.number) used.insert(get_u32(r, p.number));
    }
    std::set<uint32_t> point_numbers;
    delete_where(df, projection, projection_points, table_points, [&](const uint8_t* r) {
        if (instance_of(projection_points, r) != instance || used.count(get_u32(r, point_number))) return false;
        point_numbers.insert(get_u32(r, point_number));
        return true;
    });
    for (uint32_t n : point_numbers) point_number_release(n);
    // Dimensions with their signs, labels and links; links left alone.
    std::vector<uint32_t> dimensions;
    {
        RecordRef* h = head_of(projection, projection_dimensions);
        PageBuffer* buf = &page_buffers[table_dimensions];
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            if (instance_of(projection_dimensions, r) == instance) dimensions.push_back(get_u32(r, dimension_number));
    }
    for (uint32_t d : dimensions) {
        remove_dimension_records(df, projection, d);
        if (error_flag) return;
    }
    std::set<uint32_t> remaining;
    {
        RecordRef* h = head_of(projection, projection_dimensions);
        PageBuffer* buf = &page_buffers[table_dimensions];
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            remaining.insert(get_u32(r, dimension_number));
    }
    delete_where(df, projection, projection_links, table_links, [&](const uint8_t* r) {
        return instance_of(projection_links, r) == instance && !remaining.count(get_u32(r, link_dimension));
    });
    // Contours, by the contour rules.
    std::vector<uint32_t> contours;
    {
        RecordRef* h = head_of(projection, projection_contours);
        PageBuffer* buf = &page_buffers[table_contours];
        for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
            if (instance_of(projection_contours, r) == instance &&
                !(get_u16(r, contour_flags) & contour_flag_continuation))
                contours.push_back(get_u32(r, contour_number));
    }
    for (uint32_t n : contours) fragment_shell.delete_contour(df, projection, n);
    // Leaders and text fragments, the instance record, the maps.
    delete_where(df, projection, projection_annotations, table_annotation, [instance](const uint8_t* r) {
        return instance_of(projection_annotations, r) == instance;
    });
    delete_where(df, projection, projection_construction, table_construction, [&](const uint8_t* r) {
        if (instance_of(projection_construction, r) != instance) return false;
        int kind = r[record_kind];
        if (kind == construction_fragment_instance) return true;
        return !keep_maps && (kind == construction_contour_map || kind == construction_number_map);
    });
}

uint8_t* find_fragment_instance_element(DrawingFile* df, uint8_t* projection, uint16_t instance) {
    if (!df || !projection || instance == 0) return nullptr;
    RecordRef* h = head_of(projection, projection_elements);
    PageBuffer* buf = &page_buffers[table_elements];
    for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf))
        if (instance_of(projection_elements, r) == instance) return r;
    return nullptr;
}

uint8_t* renumber_fragment_instances(DrawingFile* df, uint8_t* projection) {
    if (!df || !projection) return projection;
    auto scan = [&]() {
        std::set<uint32_t> used;
        for (const Chain& c : instance_chains) {
            RecordRef* h = head_of(projection, c.offset);
            PageBuffer* buf = &page_buffers[c.table];
            for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf)) {
                uint32_t n = instance_of(c.offset, r);
                if (n) used.insert(n);
            }
        }
        return used;
    };
    for (;;) {
        std::set<uint32_t> used = scan();
        if (error_flag) return projection;
        uint32_t a = 1;
        while (used.count(a)) ++a;
        if (used.empty() || *used.rbegin() < a) {
            put_u16(projection, projection_fragment_counter,
                    static_cast<uint16_t>(used.empty() ? 0 : *used.rbegin()));
            return projection;
        }
        uint32_t b = *used.rbegin();
        // Every carrier of b (numbers held only by bars or maps included)
        // takes a.
        for (const Chain& c : instance_chains) {
            RecordRef* h = head_of(projection, c.offset);
            PageBuffer* buf = &page_buffers[c.table];
            for (uint8_t* r = record_next(df, h, nullptr, buf); r; r = record_next(df, h, r, buf)) {
                int width;
                uint32_t at = instance_field(c.offset, r, &width);
                if (!at || instance_of(c.offset, r) != b) continue;
                if (width == 4) put_u32(r, at, a);
                else put_u16(r, at, static_cast<uint16_t>(a));
                buf->clean = 0;
            }
        }
    }
}

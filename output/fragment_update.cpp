// The update of dynamic fragments, fragments first: a depth-first walk over
// the projections that hold constant-update instances, with a visiting mark
// per projection so that every cycle (also one the walk enters part way,
// A -> B -> C -> D -> C) is met and reported instead of followed for ever.
#include "output/fragment_update.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/naming.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const text_fragment_cycle = "Циклическая зависимость динамического фрагмента";
const char* const text_fragment_replaced = "Замена завершена";

namespace {

using Bytes = std::vector<uint8_t>;

bool point_at(DrawingFile* df, uint32_t projection_key, uint32_t number, bool use_true, Point2* out) {
    uint8_t* p = fragment_projection_in(df, projection_key);
    if (!p) return false;
    RecordRef head = get_u32(p, projection_points);
    PageBuffer* b = &page_buffers[table_points];
    for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b)) {
        if (get_u16(r, record_length) != point_record_size || get_u32(r, point_number) != number) continue;
        out->x = get_f64(r, use_true ? point_true_x : point_sketch_x);
        out->y = get_f64(r, use_true ? point_true_y : point_sketch_y);
        return true;
    }
    return false;
}

// The constant-update instance records of a projection, as copies.
std::vector<Bytes> dynamic_instances(DrawingFile* df, uint32_t key) {
    std::vector<Bytes> out;
    uint8_t* p = fragment_projection_in(df, key);
    if (!p) return out;
    RecordRef head = get_u32(p, projection_construction);
    PageBuffer* b = &page_buffers[table_construction];
    for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b))
        if (get_u16(r, record_length) == fragment_record_size && r[record_kind] == construction_fragment_instance &&
            (r[fragment_mode] & fragment_mode_constant_update))
            out.emplace_back(r, r + fragment_record_size);
    return out;
}

struct Walk {
    DrawingFile* df;
    bool use_true;
    const std::function<void(const char*)>& log;
    FragmentUpdateResult result;
    std::map<uint32_t, int> state;   // 1 visiting, 2 done

    // Brings the projection's dynamic instances up to date, their fragments
    // first.  False when the update is to stop.
    bool visit(uint32_t key) {
        int& s = state[key];
        if (s == 2) return true;
        if (s == 1) {
            std::string line = text_fragment_cycle;
            if (uint8_t* p = fragment_projection_in(df, key)) {
                char caption[128];
                view_caption(p, caption, sizeof caption);
                line += " ";
                line += caption;
            }
            if (log) log(line.c_str());
            result.cycle = true;
            return false;
        }
        s = 1;
        for (const Bytes& inst : dynamic_instances(df, key)) {
            uint32_t source = get_u32(inst.data(), fragment_source);
            if (source != key && !visit(source)) return false;
            FragmentInsertParams params;
            FragmentSettings settings;
            if (!load_fragment_instance_params(df, key, inst.data(), use_true, &params, &settings)) {
                if (uint8_t* p = fragment_projection_in(df, key)) {
                    remove_fragment_instance(df, p, get_u16(inst.data(), fragment_instance), false);
                    page_buffers[table_projections].clean = 0;
                }
                ++result.removed;
                continue;
            }
            if (insert_fragment(df, key, df, source, &params, settings, false) != fragment_inserted) {
                result.failed = true;
                return false;
            }
            ++result.reinserted;
        }
        state[key] = 2;
        return true;
    }
};

}  // namespace

bool load_fragment_instance_params(DrawingFile* df, uint32_t target_key, const uint8_t* rec, bool use_true,
                                   FragmentInsertParams* params, FragmentSettings* settings) {
    *params = FragmentInsertParams();
    uint32_t source = get_u32(rec, fragment_source);
    if (!fragment_projection_in(df, source)) return false;
    params->instance = get_u16(rec, fragment_instance);
    params->source_projection = source;
    params->target_projection = target_key;
    params->source_count = get_u16(rec, fragment_source_bindings);
    params->target_count = get_u16(rec, fragment_target_bindings);
    if (params->source_count > 3 || params->target_count > 3) return false;
    for (int i = 0; i < params->source_count; ++i) {
        params->source_points[i] = get_u32(rec, fragment_source_points + 4 * i);
        if (!point_at(df, source, params->source_points[i], use_true, &params->source_xy[i])) return false;
    }
    for (int i = 0; i < params->target_count; ++i) {
        params->target_points[i] = get_u32(rec, fragment_target_points + 4 * i);
        if (!point_at(df, target_key, params->target_points[i], use_true, &params->target_xy[i])) return false;
    }
    *settings = FragmentSettings();
    settings->mode = static_cast<uint8_t>(rec[fragment_mode] | fragment_mode_always);
    if (rec[fragment_mode] & fragment_mode_user_parameters) {
        settings->scale = get_f64(rec, fragment_scale);
        settings->angle = get_f64(rec, fragment_angle);
    }
    settings->reinsert = true;
    return true;
}

int fragment_params_from_marked(DrawingFile* df, uint32_t key, FragmentInsertParams* params,
                                FragmentSettings* settings, const std::vector<uint16_t>& skip, bool read_only) {
    *params = FragmentInsertParams();
    *settings = FragmentSettings();
    uint8_t* p = fragment_projection_in(df, key);
    if (!p) return 0;
    // The instances of the marked elements, in chain order.
    bool marked = false;
    std::vector<uint16_t> instances;
    {
        RecordRef head = get_u32(p, projection_elements);
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b)) {
            if (get_u16(r, record_length) < element_head_size || !(get_u16(r, element_flags) & element_flag_marked))
                continue;
            marked = true;
            uint16_t n = get_u16(r, element_fragment);
            if (n && std::find(instances.begin(), instances.end(), n) == instances.end() &&
                std::find(skip.begin(), skip.end(), n) == skip.end())
                instances.push_back(n);
        }
    }
    if (!marked) return 0;
    for (uint16_t n : instances) {
        Bytes rec;
        p = fragment_projection_in(df, key);
        if (!p) return 1;
        RecordRef head = get_u32(p, projection_construction);
        PageBuffer* b = &page_buffers[table_construction];
        RecordRef found = 0;
        for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b))
            if (get_u16(r, record_length) == fragment_record_size && r[record_kind] == construction_fragment_instance &&
                get_u16(r, fragment_instance) == n) {
                rec.assign(r, r + fragment_record_size);
                found = record_ref_of(b, r);
                break;
            }
        if (rec.empty()) continue;  // copied from marked elements alone: nothing to re-insert
        if (load_fragment_instance_params(df, key, rec.data(), false, params, settings)) return 1;
        if (read_only) {
            *params = FragmentInsertParams();
            *settings = FragmentSettings();
            continue;
        }
        // Its fragment or a binding point is gone: the record goes.
        *params = FragmentInsertParams();
        *settings = FragmentSettings();
        p = fragment_projection_in(df, key);
        if (!p) return 1;
        RecordRef chain = get_u32(p, projection_construction);
        record_delete(df, &chain, found, b);
        p = fragment_projection_in(df, key);
        if (p && get_u32(p, projection_construction) != chain) {
            put_u32(p, projection_construction, chain);
            page_buffers[table_projections].clean = 0;
        }
        if (error_flag) return 1;
    }
    return 1;
}

int replace_fragment(DrawingFile* df, uint32_t target_key, uint16_t instance, uint32_t new_source,
                     const uint32_t source_points[3], bool all) {
    if (!df || !df->header || !instance || !fragment_projection_in(df, new_source)) return -1;
    // The chosen instance's record gives the old fragment.
    uint32_t old_source = 0;
    bool found = false;
    {
        uint8_t* p = fragment_projection_in(df, target_key);
        if (!p) return -1;
        RecordRef head = get_u32(p, projection_construction);
        PageBuffer* b = &page_buffers[table_construction];
        for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b))
            if (get_u16(r, record_length) == fragment_record_size && r[record_kind] == construction_fragment_instance &&
                get_u16(r, fragment_instance) == instance) {
                old_source = get_u32(r, fragment_source);
                found = true;
                break;
            }
    }
    if (!found) return -1;
    // The instances to change: (projection, instance number).
    std::vector<std::pair<uint32_t, uint16_t>> changed;
    std::vector<uint32_t> keys;
    {
        RecordRef head = get_u32(df->header, header_projections);
        PageBuffer* b = &page_buffers[table_projections];
        for (uint8_t* p = record_next(df, &head, nullptr, b); p; p = record_next(df, &head, p, b))
            keys.push_back(get_u32(p, record_key));
    }
    for (uint32_t key : all ? keys : std::vector<uint32_t>{target_key}) {
        uint8_t* p = fragment_projection_in(df, key);
        if (!p) continue;
        RecordRef head = get_u32(p, projection_construction);
        PageBuffer* b = &page_buffers[table_construction];
        for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b)) {
            if (get_u16(r, record_length) != fragment_record_size || r[record_kind] != construction_fragment_instance)
                continue;
            uint16_t n = get_u16(r, fragment_instance);
            if (all ? get_u32(r, fragment_source) == old_source : n == instance) changed.emplace_back(key, n);
        }
    }
    // A fragment inserted into itself would copy its own copies.
    for (const auto& c : changed)
        if (c.first == new_source) return -2;
    for (const auto& c : changed) {
        uint8_t* p = fragment_projection_in(df, c.first);
        if (!p) return -1;
        RecordRef head = get_u32(p, projection_construction);
        PageBuffer* b = &page_buffers[table_construction];
        Bytes rec;
        for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b))
            if (get_u16(r, record_length) == fragment_record_size && r[record_kind] == construction_fragment_instance &&
                get_u16(r, fragment_instance) == c.second) {
                put_u32(r, fragment_source, new_source);
                int count = get_u16(r, fragment_source_bindings);
                for (int i = 0; i < count && i < 3; ++i) put_u32(r, fragment_source_points + 4 * i, source_points[i]);
                b->clean = 0;
                rec.assign(r, r + fragment_record_size);
                break;
            }
        if (rec.empty()) continue;
        FragmentInsertParams params;
        FragmentSettings settings;
        if (!load_fragment_instance_params(df, c.first, rec.data(), false, &params, &settings)) return -1;
        if (insert_fragment(df, c.first, df, new_source, &params, settings, false) != fragment_inserted) return -1;
    }
    return static_cast<int>(changed.size());
}

FragmentUpdateResult update_dynamic_fragments(DrawingFile* df, bool use_true,
                                              const std::function<void(const char* text)>& log) {
    Walk w{df, use_true, log, {}, {}};
    if (!df || !df->header) return w.result;
    std::vector<uint32_t> keys;
    RecordRef head = get_u32(df->header, header_projections);
    PageBuffer* b = &page_buffers[table_projections];
    for (uint8_t* p = record_next(df, &head, nullptr, b); p; p = record_next(df, &head, p, b))
        keys.push_back(get_u32(p, record_key));
    for (uint32_t k : keys)
        if (!w.visit(k)) break;
    return w.result;
}

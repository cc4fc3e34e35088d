// The update of dynamic fragments, fragments first: a depth-first walk over
// the projections that hold constant-update instances, with a visiting mark
// per projection so that every cycle (also one the walk enters part way,
// A -> B -> C -> D -> C) is met and reported instead of followed for ever.
#include "output/fragment_update.h"

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

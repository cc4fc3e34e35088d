// Saved model values into bound dimensions and bars, and the run driver.
#include "model/model_binding.h"

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "geometry/dimension_text.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <functional>
#include <unordered_map>
#include <vector>

namespace {

enum : uint32_t {
    bar_kind = 8,
    bar_variable = 14,  // u16 in a bar's construction record
    bar_width = 16      // double
};
enum : uint16_t {
    projection_flag_rebuild = 0x0200,  // bit 9: the view must be constructed again
    projection_flag_built = 0x1000,    // bit 12
    dimension_value_clear_on_change = 0x8800  // bits 11 and 15 of word +36
};

RecordRef* chain_of(unsigned char* rec, uint32_t offset) { return reinterpret_cast<RecordRef*>(rec + offset); }

struct LockGuard {
    LockGuard() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~LockGuard() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

using StoredVariables = std::unordered_map<uint32_t, std::vector<uint8_t>>;

// The stored variable records by id, copied out of the page buffer.
StoredVariables stored_records(DrawingFile* df) {
    StoredVariables out;
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_model_variables);
    PageBuffer* buf = &page_buffers[table_model];
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        uint16_t len = get_u16(r, record_length);
        out[get_u32(r, model_variable_id)] = std::vector<uint8_t>(r, r + len);
    }
    return out;
}

void default_checkpoint() { drawing_checkpoint(1, default_undo_description()); }

// The numeric value of the variable whose id stands in the u16 at `id_offset` of `rec`.
// A binding to a variable that no longer exists is cleared (and counted); false where the
// record is unbound, was just cleared, or names a variable that is not a number.
bool bound_numeric_value(unsigned char* rec, uint32_t id_offset, const StoredVariables& vars, PageBuffer* buf,
                         ModelBindResult& result, double& value) {
    uint16_t id = get_u16(rec, id_offset);
    if (id == 0) return false;
    auto it = vars.find(id);
    if (it == vars.end()) {
        put_u16(rec, id_offset, 0);
        buf->clean = 0;
        ++result.bindings_cleared;
        return false;
    }
    int type = model_variable_type(it->second.data());
    if (type != model_type_integer && type != model_type_real) return false;
    value = variable_numeric_value(it->second.data());
    return true;
}

// Marks a projection for construction again.
void mark_rebuild(unsigned char* p, PageBuffer* pbuf) {
    uint16_t pf = get_u16(p, projection_flags);
    put_u16(p, projection_flags, static_cast<uint16_t>((pf | projection_flag_rebuild) & ~projection_flag_built));
    pbuf->clean = 0;
}

}  // namespace

namespace {

// What a walk over the bindable records of a drawing does with each one.
struct BindingVisitor {
    // A dimension d of projection p. It may take a checkpoint, after which it
    // reads both records again through their references. False ends the walk.
    std::function<bool(unsigned char*& p, unsigned char*& d)> dimension;
    // A bar (construction record of kind 8) of projection p.
    std::function<void(unsigned char* p, unsigned char* bar)> bar;
    // After the dimensions and bars of projection p.
    std::function<void(unsigned char* p)> projection_done;
};

// The one walk over every dimension and every bar of every projection.
void walk_bindings(DrawingFile* df, const BindingVisitor& v) {
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* dbuf = &page_buffers[table_dimensions];
    PageBuffer* cbuf = &page_buffers[table_construction];
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (unsigned char* p = record_next(df, projections, nullptr, pbuf); p && !error_flag;
         p = record_next(df, projections, p, pbuf)) {
        for (unsigned char* d = record_next(df, chain_of(p, projection_dimensions), nullptr, dbuf); d && !error_flag;
             d = record_next(df, chain_of(p, projection_dimensions), d, dbuf))
            if (!v.dimension(p, d)) return;
        if (error_flag) return;
        for (unsigned char* c = record_next(df, chain_of(p, projection_construction), nullptr, cbuf);
             c && !error_flag; c = record_next(df, chain_of(p, projection_construction), c, cbuf))
            if (c[record_kind] == bar_kind) v.bar(p, c);
        if (error_flag) return;
        if (v.projection_done) v.projection_done(p);
    }
}

}  // namespace

ModelBindResult model_bind_values(DrawingFile* df, const ModelBindHooks& hooks) {
    ModelBindResult result;
    LockGuard lock;
    auto vars = stored_records(df);
    if (error_flag) return result;
    PageBuffer* pbuf = &page_buffers[table_projections];
    PageBuffer* dbuf = &page_buffers[table_dimensions];
    PageBuffer* cbuf = &page_buffers[table_construction];
    bool bars = false;
    BindingVisitor v;
    v.dimension = [&](unsigned char*& p, unsigned char*& d) {
        double value;
        if (!bound_numeric_value(d, dimension_variable, vars, dbuf, result, value)) return true;
        if (value != get_f64(d, dimension_nominal)) {
            if (!result.checkpoint_taken) {
                // The checkpoint copies the drawing as it is before the change.
                RecordRef dref = record_ref_of(dbuf, d);
                RecordRef pref = record_ref_of(pbuf, p);
                if (hooks.checkpoint)
                    hooks.checkpoint(hooks.context);
                else
                    default_checkpoint();
                result.checkpoint_taken = true;
                p = record_read_at(df, &pref, pbuf);
                d = record_read_at(df, &dref, dbuf);
                if (!p || !d || error_flag) return false;
            }
            mark_rebuild(p, pbuf);
            put_u16(d, dimension_value_word,
                    static_cast<uint16_t>(get_u16(d, dimension_value_word) & ~dimension_value_clear_on_change));
            ++result.dimensions_changed;
        }
        put_f64(d, dimension_nominal, value);
        dbuf->clean = 0;
        if (hooks.dimension_label) hooks.dimension_label(hooks.context, df, p, d);
        return true;
    };
    v.bar = [&](unsigned char* p, unsigned char* c) {
        double value;
        if (!bound_numeric_value(c, bar_variable, vars, cbuf, result, value)) return;
        if (value == get_f64(c, bar_width)) return;
        mark_rebuild(p, pbuf);
        put_f64(c, bar_width, value);
        cbuf->clean = 0;
        bars = true;
        ++result.bars_changed;
    };
    // Every projection gets its values, whether or not a window shows it.
    v.projection_done = [&](unsigned char* p) {
        if (bars && hooks.bars_changed) hooks.bars_changed(hooks.context, df, p);
        bars = false;
    };
    walk_bindings(df, v);
    if (result.dimensions_changed && hooks.dimensions_changed) hooks.dimensions_changed(hooks.context);
    return result;
}

void model_variable_unbind(DrawingFile* df, uint32_t id) {
    LockGuard lock;
    BindingVisitor v;
    v.dimension = [&](unsigned char*&, unsigned char*& d) {
        if (get_u16(d, dimension_variable) == id) {
            put_u16(d, dimension_variable, 0);
            page_buffers[table_dimensions].clean = 0;
        }
        return true;
    };
    v.bar = [&](unsigned char*, unsigned char* c) {
        if (get_u16(c, bar_variable) != id) return;
        put_u16(c, bar_variable, 0);
        page_buffers[table_construction].clean = 0;
    };
    walk_bindings(df, v);
}

namespace {
void unbind_hook(void*, DrawingFile* df, uint32_t id) { model_variable_unbind(df, id); }
}  // namespace

ModelProgramRun model_run_program(DrawingFile* df, int slot, const ModelHost& host, const ModelBindHooks& hooks,
                                  std::string* editor_text) {
    ModelProgramRun out;
    std::string text;
    ModelHead head;
    {
        LockGuard lock;
        if (!model_program_load(df, slot, text, &head)) {
            out.run.outcome = model_run_failed;
            return out;
        }
    }
    if (editor_text) text = *editor_text;
    out.run = model_run(text.data(), text.size(), slot, host);
    if (out.run.outcome != model_run_finished || slot != 0) return out;
    LockGuard lock;
    ModelStoreHooks store_hooks;
    store_hooks.unbind = unbind_hook;
    if (!variables_store_after_run(df, out.run.saved, text, &out.text_changed, store_hooks)) {
        out.store_failed = true;
        return out;
    }
    if (out.text_changed) {
        if (editor_text) {
            *editor_text = text;
        } else if (!model_program_store(df, head, text.data(), text.size(), nullptr)) {
            out.store_failed = true;
            return out;
        }
    }
    out.bind = model_bind_values(df, hooks);
    return out;
}

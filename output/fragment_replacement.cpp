// Fragment replacement, the choice: the instances of a fragment and the
// candidates to replace it.
#include "output/fragment_replacement.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "output/fragment_instances.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<uint32_t> projection_keys(DrawingFile* df) {
    std::vector<uint32_t> keys;
    if (!df || !df->header) return keys;
    RecordRef head = get_u32(df->header, header_projections);
    PageBuffer* b = &page_buffers[table_projections];
    for (uint8_t* p = record_next(df, &head, nullptr, b); p; p = record_next(df, &head, p, b))
        keys.push_back(get_u32(p, record_key));
    return keys;
}

bool is_instance(const uint8_t* r) {
    return get_u16(r, record_length) == fragment_record_size && r[record_kind] == construction_fragment_instance;
}

// Copies of the instance records of projection `key`.
std::vector<Bytes> instances_in(DrawingFile* df, uint32_t key) {
    std::vector<Bytes> out;
    uint8_t* p = fragment_projection_in(df, key);
    if (!p) return out;
    RecordRef head = get_u32(p, projection_construction);
    PageBuffer* b = &page_buffers[table_construction];
    for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b))
        if (is_instance(r)) out.emplace_back(r, r + fragment_record_size);
    return out;
}

// The stored instance record `instance` of projection `key`, or null.
uint8_t* instance_record(DrawingFile* df, uint32_t key, uint16_t instance) {
    uint8_t* p = fragment_projection_in(df, key);
    if (!p) return nullptr;
    RecordRef head = get_u32(p, projection_construction);
    PageBuffer* b = &page_buffers[table_construction];
    for (uint8_t* r = record_next(df, &head, nullptr, b); r; r = record_next(df, &head, r, b))
        if (is_instance(r) && get_u16(r, fragment_instance) == instance) return r;
    return nullptr;
}

}  // namespace

std::vector<FragmentInstanceRef> fragment_instances_of(DrawingFile* df, uint32_t fragment) {
    std::vector<FragmentInstanceRef> out;
    for (uint32_t key : projection_keys(df)) {
        if (key == fragment) continue;
        for (const Bytes& r : instances_in(df, key))
            if (get_u32(r.data(), fragment_source) == fragment)
                out.push_back({key, get_u16(r.data(), fragment_instance), get_u16(r.data(), fragment_source_bindings)});
    }
    return out;
}

std::vector<uint32_t> fragment_replacement_candidates(DrawingFile* df, uint32_t fragment) {
    std::set<uint32_t> holders;
    for (const FragmentInstanceRef& i : fragment_instances_of(df, fragment)) holders.insert(i.holder);
    std::vector<uint32_t> out;
    for (uint32_t key : projection_keys(df))
        if (key != fragment && !holders.count(key)) out.push_back(key);
    return out;
}

std::string fragment_instance_line(int number, const char* caption) {
    char head[16];
    std::snprintf(head, sizeof head, number < 100 ? "%02i " : "%i ", number);
    return std::string(head) + (caption ? caption : "");
}

bool fragment_instance_record(DrawingFile* df, uint32_t holder, uint16_t instance, uint8_t* out) {
    uint8_t* r = instance_record(df, holder, instance);
    if (!r || !out) return false;
    std::memcpy(out, r, fragment_record_size);
    return true;
}

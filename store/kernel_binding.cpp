#include "store/kernel_binding.h"

#include "geometry/kernel_seams.h"
#include "store/drawing_file.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <cstring>

namespace {

DrawingFile* current() { return open_drawings[current_drawing & 1]; }

// The record table of each chain of a projection.
PageBuffer* chain_buffer(int chain) {
    switch (chain) {
    case projection_links: return &page_buffers[table_links];
    case projection_annotations: return &page_buffers[table_annotation];
    case projection_dimensions: return &page_buffers[table_dimensions];
    case projection_elements: return &page_buffers[table_elements];
    case projection_contours: return &page_buffers[table_contours];
    case projection_construction: return &page_buffers[table_construction];
    case projection_points: return &page_buffers[table_points];
    default: return nullptr;
    }
}

RecordRef* chain_head(uint8_t* projection, int chain) {
    return reinterpret_cast<RecordRef*>(projection + chain);
}

uint8_t* store_next(uint8_t* projection, int chain, const uint8_t* prev, uint32_t* ref) {
    PageBuffer* buf = chain_buffer(chain);
    if (!projection || !buf) return nullptr;
    uint8_t* r = record_next(current(), chain_head(projection, chain), prev, buf);
    if (ref) *ref = r ? record_ref_of(buf, r) : 0;
    return r;
}

uint32_t store_add(uint8_t* projection, int chain, const uint8_t* record) {
    PageBuffer* buf = chain_buffer(chain);
    if (!projection || !buf) return 0;
    if (chain == projection_contours) return contour_record_add(current(), chain_head(projection, chain), record);
    return record_add(current(), chain_head(projection, chain), record, buf);
}

void store_remove(uint8_t* projection, int chain, uint32_t ref) {
    PageBuffer* buf = chain_buffer(chain);
    if (projection && buf) record_delete(current(), chain_head(projection, chain), ref, buf);
}

void store_changed(int chain, const uint8_t*) {
    PageBuffer* buf = chain_buffer(chain);
    if (buf) buf->clean = 0;
}

size_t drawing_path(char* out, size_t size) {
    DrawingFile* df = current();
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!df || !df->path) return 0;
    size_t n = std::strlen(df->path);
    if (n + 1 > size) return 0;
    std::memcpy(out, df->path, n + 1);
    return n;
}

uint32_t long_record(const uint8_t* data, uint32_t length) {
    DrawingFile* df = current();
    return df ? blob_write(df, length, data) : 0;
}

}  // namespace

void store_bind() {
    store_bind_kernel();
    failed_drawing_open = drawing_failed_open;
}

void store_bind_kernel() {
    kernel_error_flag = &error_flag;
    kernel_text_pack = text_pack_words;
    kernel_text_unpack = text_unpack_words;
    kernel_drawing_path = drawing_path;
    kernel_store_long_record = long_record;
    kernel_store.next = store_next;
    kernel_store.add = store_add;
    kernel_store.remove = store_remove;
    kernel_store.changed = store_changed;
    kernel_store.find_element = element_find_by_key;
    kernel_lock.acquire = document_lock_acquire;
    kernel_lock.release = document_lock_release;
}

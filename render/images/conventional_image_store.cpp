// The user's conventional images in the current drawing: add, change, read
// back and remove, keeping the picture chain, the blobs and the loaded
// entries in step.
#include "render/images/conventional_image_store.h"

#include <cstring>
#include <memory>
#include <new>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_seams.h"
#include "render/images/loaded_images.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

RecordRef* picture_head(DrawingFile* df) { return reinterpret_cast<RecordRef*>(df->header + header_pictures); }

PageBuffer* picture_buffer() { return &page_buffers[table_pictures]; }

// The stored record with that id, or null.
unsigned char* find_record(DrawingFile* df, uint32_t id) {
    for (unsigned char* r = record_next(df, picture_head(df), nullptr, picture_buffer()); r && !error_flag;
         r = record_next(df, picture_head(df), r, picture_buffer()))
        if (r[picture_kind] == picture_record_kind && get_u32(r, picture_id) == id) return r;
    return nullptr;
}

// Every loaded entry of df takes its record's reference again by id.
void rebind_records(DrawingFile* df) {
    for (auto& e : loaded_images) {
        if (e->owner != df) continue;
        unsigned char* r = find_record(df, e->id);
        e->record = r ? record_ref_of(picture_buffer(), r) : 0;
    }
}

// Unlinks the loaded entry with that id of df.
void unlink_entry(DrawingFile* df, uint32_t id) {
    for (auto it = loaded_images.begin(); it != loaded_images.end(); ++it)
        if ((*it)->owner == df && (*it)->id == id) {
            loaded_images.erase(it);
            return;
        }
}

// Loads the stored record with that id (a copy: loading reads the blob).
int load_stored(DrawingFile* df, uint32_t id) {
    // load_conventional_image copies the record and takes its reference
    // from the buffer it sits in.
    unsigned char* r = find_record(df, id);
    return r ? load_conventional_image(r) : 0;
}

}  // namespace

int conventional_image_add(const PictureFields& fields, const uint8_t* bmp, size_t length) {
    DrawingFile* df = current_drawing_file();
    if (!df || !bmp || length == 0 || length > 0xFFFFFFFFu) return 0;
    PictureFields f = fields;
    error_flag = 0;
    RecordRef blob = blob_write(df, static_cast<uint32_t>(length), bmp);
    if (!blob || error_flag) return 0;
    f.blob = blob;
    f.blob_length = static_cast<uint32_t>(length);
    uint8_t rec[picture_record_size];
    picture_record_build(f, rec);
    RecordRef at = record_add(df, picture_head(df), rec, picture_buffer());
    if (!at || error_flag) {
        RecordRef b = blob;
        const int saved = error_flag;
        error_flag = 0;
        blob_free(df, &b);
        error_flag = saved;
        return 0;
    }
    if (load_stored(df, f.id)) {
        rebind_records(df);
        return 1;
    }
    // Not loadable: nothing of it stays in the drawing.
    const int saved = error_flag;
    error_flag = 0;
    RecordRef b = blob;
    blob_free(df, &b);
    if (!error_flag) record_delete_key(df, picture_head(df), f.id, picture_buffer());
    rebind_records(df);
    error_flag = saved;
    return 0;
}

int conventional_image_update(const PictureFields& fields) {
    DrawingFile* df = current_drawing_file();
    if (!df) return 0;
    unsigned char* r = find_record(df, fields.id);
    PictureFields stored;
    if (!r || !picture_record_parse(r, &stored)) return 0;
    PictureFields f = fields;
    f.blob = stored.blob;
    f.blob_length = stored.blob_length;
    f.temporary = stored.temporary;
    picture_record_build(f, r);
    picture_buffer()->clean = 0;
    unlink_entry(df, f.id);
    const int ok = load_stored(df, f.id);
    rebind_records(df);
    return ok;
}

int conventional_image_read(uint32_t id, PictureFields* fields, std::vector<uint8_t>* bmp) {
    DrawingFile* df = current_drawing_file();
    if (!df) return 0;
    unsigned char* r = find_record(df, id);
    PictureFields f;
    if (!r || !picture_record_parse(r, &f)) return 0;
    try {
        bmp->assign(f.blob_length, 0);
    } catch (const std::bad_alloc&) {
        kernel_report_out_of_memory();
        return 0;
    }
    RecordRef b = f.blob;
    if (f.blob_length == 0 || blob_read(df, &b, bmp->data()) != f.blob_length) {
        bmp->clear();
        show_program_message(settings_text(settings_document_failure_offset));
        return 0;
    }
    *fields = f;
    return 1;
}

void remove_conventional_image(uint32_t id) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    document_lock_acquire();
    bool loaded = false;
    for (const auto& e : loaded_images)
        if (e->owner == df && e->id == id) loaded = true;
    if (loaded) {
        error_flag = 0;
        unsigned char* r = find_record(df, id);
        PictureFields f;
        if (r && !error_flag && picture_record_parse(r, &f)) {
            RecordRef b = f.blob;
            if (b) blob_free(df, &b);
            if (!error_flag) record_delete_key(df, picture_head(df), id, picture_buffer());
        }
        unlink_entry(df, id);
        const int saved = error_flag;
        error_flag = 0;
        rebind_records(df);
        error_flag = saved;
    }
    document_lock_release();
}

void conventional_image_drop_record(uint32_t id) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    error_flag = 0;
    unsigned char* r = find_record(df, id);
    PictureFields f;
    if (!r || error_flag || !picture_record_parse(r, &f)) return;
    RecordRef b = f.blob;
    if (b) blob_free(df, &b);
    if (!error_flag) record_delete_key(df, picture_head(df), id, picture_buffer());
    const int saved = error_flag;
    error_flag = 0;
    rebind_records(df);
    error_flag = saved;
}

std::vector<std::string> conventional_image_names(uint32_t except) {
    std::vector<std::string> names;
    DrawingFile* df = current_drawing_file();
    if (!df) return names;
    for (unsigned char* r = record_next(df, picture_head(df), nullptr, picture_buffer()); r && !error_flag;
         r = record_next(df, picture_head(df), r, picture_buffer())) {
        PictureFields f;
        if (picture_record_parse(r, &f) && f.id != except) names.push_back(f.name);
    }
    return names;
}

std::vector<uint32_t> conventional_image_ids() {
    std::vector<uint32_t> ids;
    const DrawingFile* df = current_drawing_file();
    for (const auto& e : loaded_images)
        if (e->owner == df && e->id <= conventional_image_last_id) ids.push_back(e->id);
    return ids;
}

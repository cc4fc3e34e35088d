// Loaded pictures: the list of the drawings' pictures, reading a picture
// record's BMP into a 24-bit DIB, and the look-ups.
#include "render/images/loaded_images.h"

#include <cstring>
#include <new>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_seams.h"
#include "render/images/bmp_image.h"
#include "render/images/picture_records.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

std::vector<std::unique_ptr<LoadedImage>> loaded_images;

int loaded_images_low_count() {
    const DrawingFile* df = current_drawing_file();
    int n = 0;
    for (const auto& e : loaded_images)
        if (e->owner == df && e->id < bent_picture_first_id) ++n;
    return n;
}

bool loaded_image_view(LoadedImage* image, RasterView* view) {
    if (!image || image->dib.empty()) return false;
    if (!raster_view_of_dib(image->dib.data(), image->dib.size(), view)) return false;
    raster_set_key(view, (image->flags & loaded_flag_transparent) ? pixel_from_colorref(image->key_colour) : 0);
    return true;
}

bool loaded_image_from_bmp(const uint8_t* record, const uint8_t* bmp, size_t length, LoadedImage* out) {
    PictureFields f;
    if (!picture_record_parse(record, &f)) return false;
    LoadedImage e;
    if (!bmp_to_dib24(bmp, length, &e.dib, &e.width, &e.height)) return false;
    e.id = f.id;
    e.height_mm = f.height_mm;
    e.flags = static_cast<uint16_t>((f.tolerance & loaded_flag_tolerance) | (f.transparent ? loaded_flag_transparent : 0) |
                                    (f.temporary ? loaded_flag_temporary : 0) |
                                    (f.channel_window ? loaded_flag_channel_window : 0));
    e.key_colour = f.key_colour;
    e.key_x = f.key_x;
    e.key_y = f.key_row;
    e.point_count = f.point_count;
    std::memcpy(e.points, f.points, sizeof e.points);
    std::memcpy(e.name, f.name, sizeof e.name);
    if (e.flags & loaded_flag_transparent) {
        uint32_t key = 0;
        if (picture_key_colour_clean(e.dib.data(), e.dib.size(), e.key_x, e.key_y, f.tolerance,
                                     f.channel_window ? 1 : 0, &key))
            e.key_colour = key;
        else
            e.flags &= static_cast<uint16_t>(~loaded_flag_transparent);  // key pixel outside the picture
    }
    *out = std::move(e);
    return true;
}

int load_conventional_image(const uint8_t* record) {
    DrawingFile* df = current_drawing_file();
    PictureFields f;
    if (!df || !picture_record_parse(record, &f)) return 0;
    // A copy of the record and its reference: reading the blob may reuse
    // the page buffer the record sits in.
    uint8_t copy[picture_record_size];
    std::memcpy(copy, record, sizeof copy);
    const RecordRef record_ref = record_ref_of(&page_buffers[table_pictures], record);
    std::vector<uint8_t> blob;
    std::unique_ptr<LoadedImage> e;
    try {
        blob.assign(f.blob_length, 0);
        e.reset(new LoadedImage);
    } catch (const std::bad_alloc&) {
        kernel_report_out_of_memory();
        return 0;
    }
    RecordRef ref = f.blob;
    if (f.blob_length == 0 || blob_read(df, &ref, blob.data()) != f.blob_length ||
        !loaded_image_from_bmp(copy, blob.data(), blob.size(), e.get())) {
        show_program_message(settings_text(settings_document_failure_offset));
        return 0;
    }
    e->owner = df;
    e->record = record_ref;
    loaded_images.push_back(std::move(e));
    return 1;
}

LoadedImage* loaded_image_find(uint32_t id) {
    const DrawingFile* df = current_drawing_file();
    for (const auto& e : loaded_images)
        if (e->owner == df && e->id == id) return e.get();
    return nullptr;
}

void loaded_images_free(const DrawingFile* df) {
    std::vector<std::unique_ptr<LoadedImage>> kept;
    for (auto& e : loaded_images)
        if (df && e->owner != df) kept.push_back(std::move(e));
    loaded_images.swap(kept);
}

// Stored pictures: record fields and id allocation.
#include "render/images/picture_records.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

namespace {

constexpr int picture_name_words = 4;
constexpr int picture_name_mode = 1;

bool id_used(const std::vector<uint32_t>& sorted, uint32_t id) {
    return std::binary_search(sorted.begin(), sorted.end(), id);
}

}  // namespace

bool picture_record_parse(const uint8_t* rec, PictureFields* out) {
    if (!rec || get_u16(rec, picture_length) != picture_record_size ||
        rec[picture_kind] != picture_record_kind)
        return false;
    PictureFields f;
    f.id = get_u32(rec, picture_id);
    const uint8_t flags = rec[picture_flags];
    f.point_count = (flags & 3) + 1;
    f.transparent = (flags & 4) != 0;
    f.temporary = (flags & 16) != 0;
    f.channel_window = (flags & 32) != 0;
    f.tolerance = rec[picture_tolerance] & 63u;
    uint32_t h = get_u32(rec, picture_height_mm);
    std::memcpy(&f.height_mm, &h, 4);
    f.key_colour = get_u32(rec, picture_key_colour);
    for (int i = 0; i < 4; ++i) {
        f.points[i][0] = get_i32(rec, picture_points + 8 * i);
        f.points[i][1] = get_i32(rec, picture_points + 8 * i + 4);
    }
    uint16_t words[picture_name_words];
    for (int i = 0; i < picture_name_words; ++i) words[i] = get_u16(rec, picture_name + 2 * i);
    text_unpack_words(2 * picture_name_words, words, f.name, sizeof f.name, picture_name_mode);
    size_t n = std::strlen(f.name);
    while (n > 0 && f.name[n - 1] == ' ') f.name[--n] = 0;
    f.blob = get_u32(rec, picture_blob);
    f.blob_length = get_u32(rec, picture_blob_length);
    f.key_x = get_i32(rec, picture_key_x);
    f.key_row = get_i32(rec, picture_key_row);
    *out = f;
    return true;
}

void picture_record_build(const PictureFields& f, uint8_t out[74]) {
    std::memset(out, 0, picture_record_size);
    put_u16(out, picture_length, picture_record_size);
    put_u32(out, picture_id, f.id);
    out[picture_kind] = picture_record_kind;
    const int count = std::min(4, std::max(1, f.point_count));
    out[picture_flags] = static_cast<uint8_t>((count - 1) | (f.transparent ? 4 : 0) |
                                              (f.temporary ? 16 : 0) | (f.channel_window ? 32 : 0));
    out[picture_tolerance] = static_cast<uint8_t>(f.tolerance & 63u);
    uint32_t h;
    std::memcpy(&h, &f.height_mm, 4);
    put_u32(out, picture_height_mm, h);
    put_u32(out, picture_key_colour, f.key_colour);
    for (int i = 0; i < 4; ++i) {
        put_i32(out, picture_points + 8 * i, f.points[i][0]);
        put_i32(out, picture_points + 8 * i + 4, f.points[i][1]);
    }
    uint16_t words[picture_name_words] = {0, 0, 0, 0};
    const int len = static_cast<int>(strnlen(f.name, sizeof f.name));
    text_pack_words(len, f.name, words, picture_name_words, picture_name_mode);
    for (int i = 0; i < picture_name_words; ++i) put_u16(out, picture_name + 2 * i, words[i]);
    put_u32(out, picture_blob, f.blob);
    put_u32(out, picture_blob_length, f.blob_length);
    put_i32(out, picture_key_x, f.key_x);
    put_i32(out, picture_key_row, f.key_row);
}

uint32_t next_picture_id_among(const std::vector<uint32_t>& used) {
    std::vector<uint32_t> sorted(used);
    std::sort(sorted.begin(), sorted.end());
    uint32_t id = bent_picture_first_id;
    while (id != 0xFFFFFFFFu && id_used(sorted, id)) ++id;
    return id;
}

uint32_t free_conventional_image_id(const std::vector<uint32_t>& used) {
    std::vector<uint32_t> sorted(used);
    std::sort(sorted.begin(), sorted.end());
    for (uint32_t id = conventional_image_first_id; id <= conventional_image_last_id; ++id)
        if (!id_used(sorted, id)) return id;
    return 0;
}

std::vector<uint32_t> picture_ids() {
    std::vector<uint32_t> ids;
    DrawingFile* df = open_drawings[current_drawing];
    if (!df) return ids;
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_pictures);
    PageBuffer* buf = &page_buffers[table_pictures];
    const unsigned char* r = nullptr;
    while ((r = record_next(df, head, r, buf)) != nullptr) {
        if (r[picture_kind] == picture_record_kind) ids.push_back(get_u32(r, picture_id));
    }
    return ids;
}

uint32_t next_picture_id() { return next_picture_id_among(picture_ids()); }

// Writes the seed corpus of the drawing fuzz targets: small drawings as the
// program writes them, with record chains, projections with their own
// chains, a long curve in chunks, free pages, a picture with its blob,
// drawings of older versions and one left open by a stop.
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/kernel_binding.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

DrawingFile* create(const std::string& path) {
    std::remove(path.c_str());
    DrawingFile* df = drawing_file_new(path.c_str());
    if (!df) return nullptr;
    drawing_file_set_mode(df, drawing_mode_create_new);
    if (drawing_file_open(df, 0) != 0) return nullptr;
    open_drawings[0] = df;
    return df;
}

std::vector<unsigned char> record(uint16_t len, uint32_t key, uint8_t kind = 1) {
    std::vector<unsigned char> r(len, 0);
    put_u16(r.data(), 0, len);
    put_u32(r.data(), 2, key);
    if (len > 10) r[10] = kind;
    return r;
}

bool finish(DrawingFile* df) {
    drawing_file_close(df);
    bool ok = error_flag == 0;
    drawing_file_free(df);
    open_drawings[0] = nullptr;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_drawing_seeds FOLDER\n");
        return 64;
    }
    std::string dir = argv[1];
    if (store_init() != 0) return 1;
    store_bind();
    bool ok = true;

    DrawingFile* df = create(dir + "/empty.svt");
    ok = df && finish(df) && ok;

    df = create(dir + "/projections.svt");
    if (!df) return 1;
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (uint32_t id = 1; id <= 2; ++id) {
        std::vector<unsigned char> p(projection_record_head, 0);
        put_u16(p.data(), 0, projection_record_head);
        put_u32(p.data(), 2, id);
        for (uint32_t k = 0; k < 6; ++k) {
            std::vector<unsigned char> pt = record(point_record_size, k + 10 * id);
            record_add(df, reinterpret_cast<RecordRef*>(p.data() + projection_points), pt.data(),
                       &page_buffers[table_points]);
            std::vector<unsigned char> e = record(element_size2, k, 1);
            record_add(df, reinterpret_cast<RecordRef*>(p.data() + projection_elements), e.data(),
                       &page_buffers[table_elements]);
            std::vector<unsigned char> l = record(link_record_size, k);
            put_u32(l.data(), link_dimension, k / 2);
            record_add(df, reinterpret_cast<RecordRef*>(p.data() + projection_links), l.data(),
                       &page_buffers[table_links]);
        }
        // A curve of 70 vertices: two chunks.
        std::vector<unsigned char> c(16 + 36 * 70, 0);
        put_u16(c.data(), 0, static_cast<uint16_t>(36 * 70));
        put_u32(c.data(), 2, 99);
        put_u16(c.data(), 10, 5);
        put_u16(c.data(), 14, 70);
        record_add(df, reinterpret_cast<RecordRef*>(p.data() + projection_elements), c.data(),
                   &page_buffers[table_elements]);
        record_add(df, projections, p.data(), &page_buffers[table_projections]);
    }
    std::vector<unsigned char> field = record(30, 3);
    record_add(df, reinterpret_cast<RecordRef*>(df->header + header_title_block), field.data(),
               &page_buffers[table_title_block]);
    ok = finish(df) && ok;

    df = create(dir + "/free_and_blob.svt");
    if (!df) return 1;
    RecordRef* tables = reinterpret_cast<RecordRef*>(df->header + header_tables);
    std::vector<RecordRef> refs;
    for (uint32_t k = 0; k < 8; ++k) {
        std::vector<unsigned char> r = record(1500, k);
        refs.push_back(record_add(df, tables, r.data(), &page_buffers[table_tables]));
    }
    for (int k = 1; k < 8; k += 2) record_delete(df, tables, refs[static_cast<size_t>(k)], &page_buffers[table_tables]);
    // A picture: its record (kind 10) in the picture chain names the blob
    // that holds its pixels at byte 58.
    std::vector<unsigned char> blob(5000, 0x5A);
    RecordRef b = blob_write(df, static_cast<uint32_t>(blob.size()), blob.data());
    std::vector<unsigned char> picture(picture_record_size, 0);
    put_u16(picture.data(), 0, picture_record_size);
    put_u32(picture.data(), 2, 1);
    picture[6] = 10;
    put_u32(picture.data(), 58, b);
    record_add(df, reinterpret_cast<RecordRef*>(df->header + header_pictures), picture.data(),
               &page_buffers[table_pictures]);
    ok = finish(df) && ok;

    // Drawings of older versions, as the programs of those versions wrote
    // them: 42-byte points (12355), 48-byte points (12356), 64-byte pictures
    // (12357); and a drawing left open by a stop (checked at the next open).
    for (uint16_t version : {uint16_t{12355}, uint16_t{12356}, uint16_t{12357}, uint16_t{drawing_format_version}}) {
        df = create(dir + "/v" + std::to_string(version) + ".svt");
        if (!df) return 1;
        std::vector<unsigned char> p(projection_record_head, 0);
        put_u16(p.data(), 0, projection_record_head);
        put_u32(p.data(), 2, 1);
        uint16_t point_size = version == 12355 ? 42 : point_record_size;
        for (uint32_t k = 1; k <= 12; ++k) {
            std::vector<unsigned char> pt = record(point_size, k);
            record_add(df, reinterpret_cast<RecordRef*>(p.data() + projection_points), pt.data(),
                       &page_buffers[table_points]);
        }
        std::vector<unsigned char> e = record(element_size2, 5, 1);
        record_add(df, reinterpret_cast<RecordRef*>(p.data() + projection_elements), e.data(),
                   &page_buffers[table_elements]);
        record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), p.data(),
                   &page_buffers[table_projections]);
        if (version == 12357) {
            std::vector<unsigned char> old_picture(64, 0);
            put_u16(old_picture.data(), 0, 64);
            put_u32(old_picture.data(), 2, 2);
            old_picture[6] = 10;
            old_picture[7] = 2;
            record_add(df, reinterpret_cast<RecordRef*>(df->header + header_pictures), old_picture.data(),
                       &page_buffers[table_pictures]);
        }
        put_u16(df->header, header_version, version);
        if (version == drawing_format_version) {
            // Saved in mid-session: the header still says "open".
            drawing_file_save(df);
            ok = error_flag == 0 && ok;
            drawing_file_close(df);
            ok = error_flag == 0 && ok;
            std::string path = df->path;
            drawing_file_free(df);
            open_drawings[0] = nullptr;
            FILE* f = std::fopen(path.c_str(), "r+b");
            if (!f) return 1;
            unsigned char opt[2];
            if (std::fseek(f, header_options, SEEK_SET) != 0 || std::fread(opt, 1, 2, f) != 2) ok = false;
            opt[1] |= 0x04;  // bit 10: drawing open
            std::fseek(f, header_options, SEEK_SET);
            std::fwrite(opt, 1, 2, f);
            std::fclose(f);
            continue;
        }
        ok = finish(df) && ok;
    }
    return ok ? 0 : 1;
}

// Writes the seed corpus of the drawing fuzz target: small drawings made by
// the store itself, with record chains, projections with their own chains,
// a long curve in chunks, free pages and a blob.
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"

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
    std::vector<unsigned char> blob(5000, 0x5A);
    RecordRef b = blob_write(df, static_cast<uint32_t>(blob.size()), blob.data());
    put_u32(df->header, header_pictures, b);
    ok = finish(df) && ok;
    return ok ? 0 : 1;
}

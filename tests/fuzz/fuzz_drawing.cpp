// Fuzz target of the drawing store: the input is a drawing file.  It is
// opened, and every chain of the header and of each projection is walked,
// searched and indexed; blobs are measured; pages are allocated and freed
// and a record is added and deleted; then the file is closed.  Damage must
// end in a reported error, never in a crash, a hang or a write outside a page.
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/kernel_binding.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const uint32_t header_heads[][2] = {
    {header_tables, table_tables},          {header_sheets, table_tables},
    {header_model_program, table_model},    {header_model_variables, table_model},
    {header_title_block, table_title_block}, {header_projections, table_projections},
    {header_pictures, table_pictures},      {header_model_program2, table_model}};

const uint32_t projection_heads[][2] = {
    {projection_links, table_links},       {projection_annotations, table_annotation},
    {projection_dimensions, table_dimensions}, {projection_elements, table_elements},
    {projection_contours, table_contours}, {projection_construction, table_construction},
    {projection_points, table_points}};

void walk(DrawingFile* df, RecordRef* head, PageBuffer* buf) {
    int n = 0;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && n < 20000; r = record_next(df, head, r, buf)) {
        volatile uint16_t len = get_u16(r, 0);
        (void)len;
        ++n;
    }
    RecordRef from = 0;
    record_find_key(df, head, 1, &from, buf);
    uint32_t* index = record_chain_index(df, head, 26, 1, 0, buf);
    std::free(index);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string path;
    if (path.empty()) {
        store_init();
        store_bind();
        page_buffers_init_defaults();
        path = "fuzz_drawing_" + std::to_string(getpid()) + ".svt";
        std::atexit([] { std::remove(path.c_str()); });
    }
    program_message_display = program_message_unshown;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    error_flag = 0;
    error_stack_clear();
    file_unusable = 0;
    unusable_quit_done = 0;

    DrawingFile* df = drawing_file_new(path.c_str());
    if (!df) return 0;
    drawing_file_set_mode(df, drawing_mode_open_existing);
    if (drawing_file_open(df, 0) != 0) {
        drawing_file_free(df);
        return 0;
    }
    open_drawings[0] = df;
    current_drawing = 0;

    for (const auto& h : header_heads) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + h[0]);
        walk(df, head, &page_buffers[h[1]]);
    }
    // Each projection's own chains, from a copy of its record.
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
    unsigned char copy[2048];
    RecordRef at = 0;
    for (int i = 0; i < 16; ++i) {
        unsigned char* p = record_find_key(df, projections, static_cast<uint32_t>(i), &at, &page_buffers[table_projections]);
        if (!p) break;
        uint16_t len = get_u16(p, 0);
        std::memset(copy, 0, sizeof copy);
        std::memcpy(copy, p, len);
        for (const auto& h : projection_heads)
            walk(df, reinterpret_cast<RecordRef*>(copy + h[0]), &page_buffers[h[1]]);
        at = 0;
    }
    RecordRef blob = get_u32(df->header, header_pictures) & page_address_mask;
    if (uint32_t n = blob_read(df, &blob, nullptr)) {
        if (n < (1u << 22)) {
            void* buf = std::malloc(n);
            if (buf) blob_read(df, &blob, buf);
            std::free(buf);
        }
    }
    // Changes: allocate and free pages, add a record and delete it again.
    error_flag = 0;
    RecordRef a = page_alloc(df);
    RecordRef b = pages_alloc(df, 3);
    if (a) page_free(df, &a);
    if (b) page_free(df, &b);
    unsigned char rec[54] = {0};
    put_u16(rec, 0, 54);
    put_u32(rec, 2, 0xABCDEF);
    rec[10] = 1;
    error_flag = 0;
    RecordRef r = record_add(df, projections, rec, &page_buffers[table_projections]);
    if (r && !error_flag) record_delete(df, projections, r, &page_buffers[table_projections]);

    df->header[111] &= static_cast<unsigned char>(~0x08);
    drawing_file_close(df);
    if (drawing_file_free(df) != 0) {
        // A close that failed keeps the handle; the harness lets it go.
        df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_open);
        drawing_file_free(df);
    }
    open_drawings[0] = nullptr;
    return 0;
}

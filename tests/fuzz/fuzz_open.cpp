// Fuzz target of the real open path: the input is a drawing file, opened as
// the program opens a file given by the user (journal put back, open-time
// snapshot, header checks, the check of a drawing that was not closed, the
// upgrade of an older version with the question answered Yes, the number
// pools, the picture chain); every chain is then walked, a point is added,
// the drawing saved and closed.  Damage must end in a reported refusal,
// never in a crash, a hang or a read or write outside a record.
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "documents/saving.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/kernel_binding.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

void walk(DrawingFile* df, RecordRef head, PageBuffer* buf) {
    int n = 0;
    for (unsigned char* r = record_next(df, &head, nullptr, buf); r && n < 20000; r = record_next(df, &head, r, buf)) {
        volatile uint16_t len = get_u16(r, 0);
        (void)len;
        ++n;
    }
}

void let_go(DrawingFile* df) {
    df->flags |= drawing_flag_read_only;
    drawing_file_close(df);
    if (drawing_file_free(df) != 0) {
        df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_open);
        drawing_file_free(df);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string folder;
    if (folder.empty()) {
        store_init();
        store_bind();
        page_buffers_init_defaults();
        folder = (fs::current_path() / ("fuzz_open_" + std::to_string(getpid()))).string();
        fs::create_directories(folder);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(folder, ec);
        });
    }
    // Snapshots and journals of the input before go.
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) fs::remove(e.path(), ec);
    std::string path = folder + "/d.svt";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    program_message_display = program_message_unshown;
    document_shell = document_shell_unbound;
    document_shell.ask = [](int, const char*, unsigned) { return 1; };
    error_flag = 0;
    error_stack_clear();
    last_shown_message[0] = '\0';
    file_unusable = 0;
    unusable_quit_done = 0;

    drawing_open_path(path.c_str());
    DrawingFile* df = current_drawing_file();
    if (!error_flag && df && (df->flags & drawing_flag_open)) {
        const uint32_t heads[][2] = {
            {header_tables, table_tables},          {header_sheets, table_tables},
            {header_model_program, table_model},    {header_model_variables, table_model},
            {header_title_block, table_title_block}, {header_pictures, table_pictures},
            {header_model_program2, table_model}};
        for (const auto& h : heads) walk(df, get_u32(df->header, h[0]), &page_buffers[h[1]]);
        RecordRef ph = get_u32(df->header, header_projections);
        unsigned char copy[2048];
        unsigned char* p = nullptr;
        int projections = 0;
        RecordRef first = 0;
        while ((p = record_next(df, &ph, p, &page_buffers[table_projections])) != nullptr && projections < 16) {
            if (!first) first = record_ref_of(&page_buffers[table_projections], p);
            ++projections;
        }
        if (first) {
            RecordRef x = first;
            unsigned char* pr = record_read_at(df, &x, &page_buffers[table_projections]);
            if (pr) {
                uint16_t len = get_u16(pr, 0);
                std::memset(copy, 0, sizeof copy);
                std::memcpy(copy, pr, len);
                for (uint32_t off : {projection_points, projection_elements, projection_links,
                                     projection_dimensions, projection_annotations, projection_contours,
                                     projection_construction})
                    if (off + 4 <= len) walk(df, get_u32(copy, off), &page_buffers[table_points]);
                error_flag = 0;
                if (projection_points + 4 <= len) {
                    RecordRef head = get_u32(copy, projection_points);
                    unsigned char pt[point_record_size] = {0};
                    put_u16(pt, 0, point_record_size);
                    put_u32(pt, 2, 0xABCDE);
                    record_add(df, &head, pt, &page_buffers[table_points]);
                }
            }
        }
        error_flag = 0;
        drawing_save();
        error_flag = 0;
        df->header[111] &= static_cast<unsigned char>(~0x08);
        drawing_close();
    }
    // Whatever is left open goes without another write.
    for (DrawingFile*& d : open_drawings) {
        if (d) let_go(d);
        d = nullptr;
    }
    open_drawing_count = 0;
    current_drawing = 0;
    checkpoints_discard();
    return 0;
}

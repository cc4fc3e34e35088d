// Creating and opening drawing files: the header written for a new drawing,
// the files that are refused, silent opens, and a drawing that continues a
// fragment library.
#include "store_test_support.h"

#include "store/settings_block.h"
#include "store/text_codec.h"

using namespace store_test;

namespace {

class DrawingHeader : public StoreTest {
protected:
    // A valid one-page drawing file made by the store, as bytes.
    std::vector<unsigned char> good_file() {
        DrawingFile* df = create("good");
        std::string path = df->path;
        drawing_file_close(df);
        return file_bytes(path);
    }
};

// A new drawing read back through byte offsets alone.
TEST_F(DrawingHeader, NewDrawingHasTheDocumentedLayoutOnDisk) {
    ASSERT_EQ(settings_block_unpack(), 0);
    settings_block[187] = 5;
    settings_set_u16(189, 0xA000);
    DrawingFile* df = create();
    RecordRef projections = 0;
    std::vector<unsigned char> rec = make_record(60, 77, 0x42);
    ASSERT_NE(record_add(df, &projections, rec.data(), &page_buffers[table_projections]), 0u);
    RecordRef points = 0;
    std::vector<unsigned char> pt = make_record(48, 1234, 0x24);
    RecordRef pref = record_add(df, &points, pt.data(), &page_buffers[table_points]);
    put_u32(df->header, header_projections, projections);
    put_u32(df->header, header_model_variables, points);
    std::string path = df->path;
    drawing_file_close(df);
    ASSERT_EQ(error_flag, 0);
    settings_block_free();

    std::vector<unsigned char> f = file_bytes(path);
    ASSERT_EQ(f.size(), 3u * 2048);
    EXPECT_EQ(std::memcmp(f.data(), "SARV", 4), 0);
    EXPECT_EQ(get_u16(f.data(), 4), 12358);
    EXPECT_EQ(get_u32(f.data(), 8), 0u);            // no free pages
    EXPECT_EQ(get_u32(f.data(), 92), 0xFFFFFFFFu);
    EXPECT_EQ(get_u16(f.data(), 110), 0xA006);      // settings bits, bits 1-2; not open any more
    EXPECT_EQ(get_u16(f.data(), 112), 0x8305);      // text size 5, bits 8, 9, 15
    EXPECT_EQ(f[114], 0x04);
    EXPECT_EQ(f[118], 1);
    EXPECT_EQ(f[119], 0);
    EXPECT_EQ(get_f64(f.data(), 128), 1.0);
    EXPECT_EQ(get_u16(f.data(), 164), 1);
    EXPECT_EQ(get_f32(f.data(), 214), 0.5f);
    EXPECT_EQ(get_f32(f.data(), 218), 75.0f);
    EXPECT_EQ(f[222], 3);
    EXPECT_EQ(get_f32(f.data(), 230), 2.0f);
    EXPECT_EQ(get_f32(f.data(), 234), 0.25f);
    // Chain heads point at the first record of their first page.
    uint32_t ph = get_u32(f.data(), 60), vh = get_u32(f.data(), 52);
    ASSERT_EQ(ph, 2048u + 4);
    ASSERT_EQ(vh, 4096u + 4);
    EXPECT_EQ(get_u32(f.data(), 2048), 0u);          // link of the last page
    EXPECT_EQ(get_u16(f.data(), 2048 + 4), 60);      // record length
    EXPECT_EQ(get_u32(f.data(), 2048 + 6), 77u);     // key
    EXPECT_EQ(f[2048 + 4 + 59], 0x42);
    EXPECT_EQ(get_u16(f.data(), 2048 + 64), 0);      // terminator
    EXPECT_EQ(pref, 4096u + 4);
    EXPECT_EQ(get_u32(f.data(), 4096 + 6), 1234u);
}

TEST_F(DrawingHeader, RefusedFilesNameTheirFault) {
    std::vector<unsigned char> good = good_file();
    ASSERT_EQ(good.size(), 2048u);
    std::vector<unsigned char> tag = good;
    tag[0] = 'X';
    std::vector<unsigned char> version = good;
    put_u16(version.data(), 4, 12359);
    std::vector<unsigned char> free_head = good;
    put_u32(free_head.data(), 8, 10 * 2048);
    std::vector<unsigned char> chain_head = good;
    put_u32(chain_head.data(), 60, 2048 + 4);  // a page the file does not have
    std::vector<unsigned char> long_file = good;
    long_file.resize(4097);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* detail;
    } cases[] = {
        {"short", std::vector<unsigned char>(good.begin(), good.begin() + 2047), "чтение заголовка"},
        {"odd", long_file, "чтение заголовка"},
        {"empty", {}, "чтение заголовка"},
        {"tag", tag, "чтение заголовка"},
        {"version", version, "Недопустимая версия структуры файла"},
        {"freelist", free_head, "недопустимый номер блока файла"},
        {"chainhead", chain_head, "недопустимый номер блока файла"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string n = temp_name(c.name);
        write_file(n, c.bytes);
        files.push_back(n);
        DrawingFile* df = handle(n, drawing_mode_open_existing);
        // Silent: nothing shown, the file is left closed.
        shown().clear();
        EXPECT_EQ(drawing_file_open(df, 1), 1);
        EXPECT_TRUE(shown().empty());
        EXPECT_FALSE(df->flags & drawing_flag_open);
        EXPECT_EQ(error_stack.count, 0);
        // Not silent: the detail, the path, and the message.
        error_flag = 0;
        EXPECT_EQ(drawing_file_open(df, 0), 1);
        ASSERT_EQ(shown().size(), 1u);
        std::string expect = std::string("ОШИБКА открытия чертежа\n") + c.detail + "\n" + df->path + "\n";
        EXPECT_EQ(shown()[0], expect);
        EXPECT_EQ(error_flag, 1);
        EXPECT_FALSE(df->flags & drawing_flag_open);
        drawing_file_free(df);
        // Nothing holds the file: it can be replaced.
        EXPECT_EQ(os_file_delete(n.c_str()), 0);
    }
}

TEST_F(DrawingHeader, CreateReplaceAndOpenByMode) {
    std::string n = temp_name("m");
    std::remove(n.c_str());
    DrawingFile* df = handle(n, drawing_mode_open_existing);
    EXPECT_EQ(drawing_file_open(df, 0), 1);
    EXPECT_NE(shown().back().find("файл не существует"), std::string::npos);
    drawing_file_set_mode(df, drawing_mode_create_new);
    EXPECT_EQ(drawing_file_open(df, 0), 0);
    EXPECT_EQ(drawing_file_open(df, 0), 1);  // already open
    drawing_file_close(df);
    EXPECT_EQ(drawing_file_open(df, 0), 1);
    EXPECT_NE(shown().back().find("файл уже существует"), std::string::npos);
    drawing_file_set_mode(df, drawing_mode_replace);
    EXPECT_EQ(drawing_file_open(df, 0), 0);
    drawing_file_close(df);
    drawing_file_set_mode(df, drawing_mode_open_existing);
    EXPECT_EQ(drawing_file_open(df, 1), 0);
    EXPECT_TRUE(df->flags & drawing_flag_read_only);
    drawing_file_close(df);
    drawing_file_free(df);
}

TEST_F(DrawingHeader, OpenMarksTheDrawingOpenOnDiskAndNoticesAnUncleanEnd) {
    DrawingFile* df = create();
    std::string path = df->path;
    EXPECT_EQ(df->opened_unclosed, 0);
    EXPECT_TRUE(get_u16(file_bytes(path).data(), 110) & 0x0400);
    drawing_file_close(df);
    EXPECT_FALSE(get_u16(file_bytes(path).data(), 110) & 0x0400);
    drawing_file_set_mode(df, drawing_mode_open_existing);
    ASSERT_EQ(drawing_file_open(df, 0), 0);
    EXPECT_EQ(df->opened_unclosed, 0);
    // The program stops here without closing: the next open sees the mark.
    DrawingFile* again = handle(path, drawing_mode_open_existing);
    ASSERT_EQ(drawing_file_open(again, 1), 0);
    EXPECT_EQ(again->opened_unclosed, 1);
    drawing_file_close(again);
    drawing_file_free(again);
}

std::string library_place;
int probe_library(char* path, unsigned size) {
    // Only drive D: holds the library.
    if (path[0] != 'd' || std::strcmp(path + 1, ":/LIB/FRAG.SVT") != 0) return 0;
    std::snprintf(path, size, "%s", library_place.c_str());
    return 1;
}

TEST_F(DrawingHeader, DrawingThatContinuesALibraryMapsItsPages) {
    // The library: a header and two pages (addresses 2048 and 4096).
    std::vector<unsigned char> lib(3 * 2048, 0);
    std::memcpy(lib.data(), "SARV", 4);
    lib[2048 + 100] = 0xA1;
    lib[4096 + 100] = 0xA2;
    library_place = temp_name("lib");
    write_file(library_place, lib);
    files.push_back(library_place);
    // The drawing: its header and one page of its own (address 6144).
    std::vector<unsigned char> d(2 * 2048, 0);
    {
        DrawingFile* df = create("base");
        std::string p = df->path;
        drawing_file_close(df);
        d = file_bytes(p);
        d.resize(2 * 2048, 0);
    }
    put_u32(d.data(), 12, 2048);  // boundary B
    put_u32(d.data(), 16, 4096);  // library length L
    uint16_t w[4] = {0, 0, 0, 0};
    text_pack_words(3, "LIB", w, 4, 3);
    for (int i = 0; i < 4; ++i) put_u16(d.data(), 20 + 2 * i, w[i]);
    uint16_t f[4] = {0, 0, 0, 0};
    text_pack_words(8, "FRAG SVT", f, 4, 3);
    for (int i = 0; i < 4; ++i) put_u16(d.data(), 28 + 2 * i, f[i]);
    d[2048 + 100] = 0xD1;
    std::string n = temp_name("cont");
    write_file(n, d);
    files.push_back(n);

    DrawingFile* df = handle(n, drawing_mode_open_existing);
    library_path_probe = nullptr;
    EXPECT_EQ(drawing_file_open(df, 0), 5);  // no library found
    EXPECT_NE(shown().back().find("ОШИБКА открытия библиотеки на CD-ROM"), std::string::npos);
    EXPECT_FALSE(df->flags & drawing_flag_open);

    library_path_probe = probe_library;
    ASSERT_EQ(drawing_file_open(df, 0), 0);
    library_path_probe = nullptr;
    opened.push_back(df);
    EXPECT_EQ(std::string(df->library_path), library_place);
    EXPECT_EQ(df->end_address, 2048u + 4096);
    PageBuffer* b = &page_buffers[3];
    struct Case {
        RecordRef page;
        unsigned char expect;
    } cases[] = {{2048, 0xA1}, {4096, 0xA2}, {6144, 0xD1}};
    for (const Case& c : cases) {
        RecordRef r = c.page | 4;
        page_load(df, &r, b);
        ASSERT_EQ(error_flag, 0);
        EXPECT_EQ(b->data[100], c.expect) << c.page;
    }
    RecordRef fresh = page_alloc(df);
    EXPECT_EQ(fresh, 8192u);  // above the library's pages
    // Library pages are never written back, the drawing's own are.
    RecordRef lr = 2048 | 4;
    page_load(df, &lr, b);
    b->data[100] = 0x55;
    RecordRef fr = fresh | 4;
    page_load(df, &fr, b);
    b->data[100] = 0x66;
    drawing_file_close(df);
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(file_bytes(library_place)[2048 + 100], 0xA1);
    std::vector<unsigned char> after = file_bytes(n);
    ASSERT_EQ(after.size(), 3u * 2048);
    EXPECT_EQ(after[4096 + 100], 0x66);
}

}  // namespace
